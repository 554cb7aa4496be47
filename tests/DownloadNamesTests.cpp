// Where a download goes and what it is called, for every kind of name a
// hostile page may suggest.

#include <gtest/gtest.h>

#include <string>

#include "framework/DownloadNames.h"

namespace {

struct NameCase {
  const char* suggested;
  std::string expected;
};

TEST(DownloadNames, SuggestedNamesNeverLeaveTheFolderNorHide) {
  const NameCase cases[] = {
      {"report.pdf", "report.pdf"},
      {"../../.bashrc", "bashrc"},
      {"/etc/passwd", "passwd"},
      {"..\\..\\evil.exe", "evil.exe"},
      {".profile", "profile"},
      {"...", "download"},
      {"..", "download"},
      {"", "download"},
      {"dir/", "download"},
      {"  .  hidden  ", "hidden"},
      {"tab\there\nline", "tab_here_line"},
      {"caf\xc3\xa9.txt", "caf\xc3\xa9.txt"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(fw::SafeDownloadName(c.suggested), c.expected) << "suggested: " << c.suggested;
  }
}

TEST(DownloadNames, VeryLongNamesAreCutKeepingTheirExtensionAndWholeCharacters) {
  const std::string longStem(600, 'a');
  const std::string cut = fw::SafeDownloadName(longStem + ".txt");
  EXPECT_LE(cut.size(), 200u);
  EXPECT_EQ(cut.substr(cut.size() - 4), ".txt");
  // A number and the engine's suffix still fit into one file name.
  EXPECT_LE(fw::NumberedName(cut, 9999).size() + std::string(".wkdownload").size(), 255u);

  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "\xc3\xa9";  // two bytes each
  const std::string cutAccents = fw::SafeDownloadName(accents);
  EXPECT_LE(cutAccents.size(), 200u);
  EXPECT_EQ(cutAccents.size() % 2, 0u) << "a character was split";

  // An extension too long to be one is cut like the rest of the name.
  EXPECT_LE(fw::SafeDownloadName("x." + std::string(400, 'b')).size(), 200u);
}

TEST(DownloadNames, NumberedNamesGoBeforeTheExtension) {
  EXPECT_EQ(fw::NumberedName("important.txt", 0), "important.txt");
  EXPECT_EQ(fw::NumberedName("important.txt", 1), "important (1).txt");
  EXPECT_EQ(fw::NumberedName("important.txt", 12), "important (12).txt");
  EXPECT_EQ(fw::NumberedName("README", 2), "README (2)");
  EXPECT_EQ(fw::NumberedName("archive.tar.gz", 1), "archive.tar (1).gz");
}

TEST(DownloadNames, TheFolderIsNeverTheHomeFolderItself) {
  EXPECT_EQ(fw::ChooseDownloadFolder("/home/u/Téléchargements", "/home/u"),
            "/home/u/Téléchargements");
  EXPECT_EQ(fw::ChooseDownloadFolder(nullptr, "/home/u"), "/home/u/Downloads");
  EXPECT_EQ(fw::ChooseDownloadFolder("", "/home/u"), "/home/u/Downloads");
  EXPECT_EQ(fw::ChooseDownloadFolder("/home/u", "/home/u"), "/home/u/Downloads");
  EXPECT_EQ(fw::ChooseDownloadFolder("/home/u/", "/home/u"), "/home/u/Downloads");
  EXPECT_EQ(fw::ChooseDownloadFolder("/home/u", "/home/u/"), "/home/u/Downloads");
  EXPECT_EQ(fw::ChooseDownloadFolder("/", "/root"), "/root/Downloads");
}

}  // namespace
