// The six toolbar faces and their accessors.

#include <functional>
#include <iterator>
#include <vector>

#include "framework/Errors.h"
#include "resources/Pictures.h"
#include "tests/TestSupport.h"

namespace tambourin::test {
namespace {

struct Face {
  const char* file;
  std::function<fw::PicturePtr()> accessor;
  int32_t width;
};

const Face kFaces[] = {
    {"NavBackButton.png", NavBackButton, 27},
    {"NavBackButtonPushed2.png", NavBackButtonPushed2, 27},
    {"NavForwardButton2.png", NavForwardButton2, 27},
    {"NavForwardButtonPushed2.png", NavForwardButtonPushed2, 27},
    {"ToolbarHomepageButton.png", ToolbarHomepageButton, 28},
    {"ToolbarHomepageButtonPushed.png", ToolbarHomepageButtonPushed, 28},
};

using PicturesTest = ProgramTest;

TEST_F(PicturesTest, EachFaceIsReadOnceAndKeptEvenWhenItsFileGoesAway) {
  for (const Face& face : kFaces) {
    SCOPED_TRACE(face.file);
    const int decodesBefore = fw::headless::DecodeCount();
    fw::PicturePtr first = face.accessor();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Width(), face.width);
    EXPECT_EQ(first->Height(), 23);
    fs::remove(resources_ / face.file);
    EXPECT_EQ(face.accessor(), first);
    EXPECT_EQ(fw::headless::DecodeCount(), decodesBefore + 1);
  }
}

TEST_F(PicturesTest, AFileThatIsNoPictureIsTriedAgainUntilItBecomesOne) {
  const fs::path file = resources_ / "NavForwardButton2.png";
  WriteFile(file, "not a picture at all");
  EXPECT_FALSE(NavForwardButton2());
  EXPECT_FALSE(NavForwardButton2());
  fs::copy_file(ShippedPicturesFolder() / "NavForwardButton2.png", file,
                fs::copy_options::overwrite_existing);
  fw::PicturePtr loaded = NavForwardButton2();
  ASSERT_TRUE(loaded);
  EXPECT_EQ(NavForwardButton2(), loaded);
}

TEST_F(PicturesTest, EachAccessorReadsOnlyItsOwnFileUnderItsExactName) {
  for (const Face& face : kFaces) {
    SCOPED_TRACE(face.file);
    ForgetPicturesForTesting();
    // The face's file under a near-miss name (the digit 2 added or dropped).
    const fs::path real = resources_ / face.file;
    std::string nearMiss = face.file;
    const auto dot = nearMiss.rfind(".png");
    if (nearMiss[dot - 1] == '2') {
      nearMiss.erase(dot - 1, 1);
    } else {
      nearMiss.insert(dot, "2");
    }
    fs::path aside = root_ / "aside.png";
    fs::rename(real, aside);
    if (!fs::exists(resources_ / nearMiss)) fs::copy_file(aside, resources_ / nearMiss);
    EXPECT_FALSE(face.accessor());
    // The other five still load: one failed slot touches no other.
    for (const Face& other : kFaces) {
      if (other.file != face.file) {
        EXPECT_TRUE(other.accessor()) << other.file;
      }
    }
    fs::rename(aside, real);
    EXPECT_TRUE(face.accessor());
  }
}

// The other five slots are filled first; then one face fails in each way
// the load can fail. The five keep their very pictures and read no file, even
// with their own files gone by then.
TEST_F(PicturesTest, AFailedLoadOfOneFaceLeavesTheOtherFiveAsTheyWere) {
  enum class Failure { Missing, NotAPicture, NoResourcesFolder, NoExecutable };
  const struct {
    Failure failure;
    const char* name;
  } failures[] = {{Failure::Missing, "file missing"},
                  {Failure::NotAPicture, "not a picture"},
                  {Failure::NoResourcesFolder, "no resources folder"},
                  {Failure::NoExecutable, "executable without parents"}};
  for (const auto& f : failures) {
    for (const Face& failing : kFaces) {
      SCOPED_TRACE(testing::Message() << failing.file << ", " << f.name);
      TearDown();
      SetUp();
      std::vector<fw::PicturePtr> kept;
      for (const Face& other : kFaces) {
        kept.push_back(other.file == failing.file ? nullptr : other.accessor());
      }
      for (const Face& other : kFaces) {
        if (other.file != failing.file) fs::remove(resources_ / other.file);
      }
      switch (f.failure) {
        case Failure::Missing: fs::remove(resources_ / failing.file); break;
        case Failure::NotAPicture: WriteFile(resources_ / failing.file, "no picture"); break;
        case Failure::NoResourcesFolder: fs::remove_all(resources_); break;
        case Failure::NoExecutable: fw::headless::SetExecutablePath("/tambourin"); break;
      }
      if (f.failure == Failure::NoExecutable) {
        EXPECT_THROW(failing.accessor(), fw::NilObjectException);
      } else {
        EXPECT_FALSE(failing.accessor());
      }
      const int decodes = fw::headless::DecodeCount();
      for (std::size_t i = 0; i < std::size(kFaces); ++i) {
        if (kFaces[i].file == failing.file) continue;
        EXPECT_EQ(kFaces[i].accessor(), kept[i]) << kFaces[i].file;
        EXPECT_TRUE(kept[i]) << kFaces[i].file;
      }
      EXPECT_EQ(fw::headless::DecodeCount(), decodes) << "nothing was read again";
    }
  }
}

TEST_F(PicturesTest, NoResourcesFolderGivesNoPicturesAndNoError) {
  fs::remove_all(resources_);
  for (const Face& face : kFaces) EXPECT_FALSE(face.accessor()) << face.file;
  // Put back, the next call loads: nothing of the failure was remembered.
  fs::create_directories(resources_);
  fs::copy_file(ShippedPicturesFolder() / "NavBackButton.png", resources_ / "NavBackButton.png");
  EXPECT_TRUE(NavBackButton());
}

TEST_F(PicturesTest, AnExecutableWithoutParentsRaisesAndLeavesTheSlotEmpty) {
  fw::headless::SetExecutablePath("/tambourin");
  EXPECT_THROW(NavBackButton(), fw::NilObjectException);
  fw::headless::SetExecutablePath((root_ / "bin" / "tambourin").string());
  EXPECT_TRUE(NavBackButton());
}

}  // namespace
}  // namespace tambourin::test
