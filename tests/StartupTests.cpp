// Start-up, the application object and the main window class.

#include <vector>

#include "app/Startup.h"
#include "framework/PluginEntries.h"
#include "framework/Runtime.h"
#include "tests/TestSupport.h"

namespace tambourin::test {
namespace {

class StartupTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    // RunProgram starts the runtime and registers the classes itself.
    fw::ReleaseModuleState();
  }
};

TEST_F(StartupTest, ANormalRunOpensOneWindowAndEndsWithTheQuitCodeWhenItCloses) {
  fw::headless::Post([] {
    auto window = fw::GetImplicitWindow(Window1::kClassName);
    ASSERT_TRUE(window);
    EXPECT_TRUE(fw::headless::IsShown(*window));
    EXPECT_EQ(fw::headless::PeerTitle(*window), "Tambourin");
    EXPECT_TRUE(fw::TheApplication());
    fw::headless::UserClose(*window);
    // Once its Close handler has returned, the window is no one's any more.
    EXPECT_FALSE(fw::GetImplicitWindow(Window1::kClassName));
  });
  testing::internal::CaptureStderr();
  const int32_t status = RunProgram();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 0) << err;
  EXPECT_TRUE(fw::headless::LoopRan());
  // One window, made only once the application object was registered.
  EXPECT_EQ(fw::headless::ApplicationRegisteredAtWindowPeers(), std::vector<bool>{true});
  // finalize released the module state.
  EXPECT_TRUE(fw::ClassRecords().empty());
  EXPECT_TRUE(fw::OpenWindows().empty());
}

TEST_F(StartupTest, AWindowThatCannotBeBuiltEndsStartUpWithAFailingStatusAndNoLoop) {
  // Without the picture well's entry, building the first well raises.
  fw::RuntimeInit();
  fw::WithdrawPluginEntry("ImageWell.Image.Set");
  fw::headless::Post([] { ADD_FAILURE() << "the event loop ran"; });
  testing::internal::CaptureStderr();
  initialize();
  Main();
  const std::string err = testing::internal::GetCapturedStderr();
  finalize();
  const int32_t status = fw::RuntimeExit();
  EXPECT_NE(status, 0);
  EXPECT_FALSE(fw::headless::LoopRan());
  EXPECT_NE(err.find("PluginEntryException"), std::string::npos) << err;
  EXPECT_NE(err.find("ImageWell.Image.Set"), std::string::npos) << err;
  // Exactly one report: the handler ran once.
  EXPECT_EQ(err.find("unhandled"), err.rfind("unhandled")) << err;
  fw::OfferComponentEntries();
}

}  // namespace
}  // namespace tambourin::test
