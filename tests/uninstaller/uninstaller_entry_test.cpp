#include <gtest/gtest.h>

#include "box_watcher.h"
#include "test_files.h"
#include "uninstaller_entry.h"

namespace {

// An uninstaller copied to a drive's root beside a record would otherwise
// remove the whole drive.  The record is real, so that only the place can
// stop the run; a question, should one come, is declined.
TEST(UninstallerEntry, RecordAtTheRootOfADriveCountsAsNone)
{
    const std::wstring record = L"C:\\uninstall.ini";
    ASSERT_TRUE(WriteFileBytes(record, "Name=Orvicap\r\nMainExe=Orvicap.exe\r\n"));
    int result = -1;
    std::vector<WatchedBox> boxes;
    {
        BoxWatcher watcher([](WatchedBox& box) {
            return box.icon == static_cast<UINT>(MB_ICONQUESTION) ? IDNO : DefaultButton(box);
        });
        result = RunUninstaller(GetModuleHandleW(nullptr), L"C:\\");
        boxes = watcher.Boxes();
    }
    DeleteFileW(record.c_str());

    EXPECT_EQ(result, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"卸载");
    EXPECT_EQ(boxes[0].text, L"未找到卸载配置文件 uninstall.ini，无法卸载。");
}

}  // namespace
