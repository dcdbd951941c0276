#include <gtest/gtest.h>

#include "install_pipeline.h"
#include "progress_window.h"
#include "test_files.h"

namespace {

// This test program carries no resources at all.
TEST(InstallPipelineWithoutPayload, MissingPayloadReportsADamagedPackage)
{
    ScopedTempDir temp;
    ProgressWindow progressWindow;
    progressWindow.state.installDir = temp / L"Orvicap";

    EXPECT_FALSE(RunInstall(progressWindow.window, progressWindow.state));
    EXPECT_EQ(progressWindow.state.statusText, L"安装包损坏，请重新下载。");
    EXPECT_FALSE(progressWindow.state.installing);
    EXPECT_FALSE(DirectoryExists(progressWindow.state.installDir));
    EXPECT_FALSE(WriteResourceToFile(102, temp / L"uninstall.exe"));
    EXPECT_FALSE(FileExists(temp / L"uninstall.exe")) << "a missing resource creates no file";
}

}  // namespace
