#include <gtest/gtest.h>

#include "box_watcher.h"
#include "test_files.h"
#include "uninstaller_entry.h"

namespace {

// The root of a drive the test may write to.  On Windows that is a drive
// letter of this session whose root is a temporary folder, so that no right
// to write to the root of a real drive is needed.  Wine's DefineDosDevice
// does not reach its file system; there the root of C:, which belongs to
// the user running Wine, stands in.
struct WritableDriveRoot {
    ScopedTempDir folder;
    std::wstring letter;  // "Q:" when one was defined
    std::wstring root;

    WritableDriveRoot()
    {
        const DWORD used = GetLogicalDrives();
        for (wchar_t c = L'Z'; c >= L'M' && letter.empty(); --c) {
            const std::wstring candidate = std::wstring(1, c) + L":";
            if (!(used & (1u << (c - L'A'))) && DefineDosDeviceW(0, candidate.c_str(), folder.path.c_str())) {
                letter = candidate;
            }
        }
        if (!letter.empty() && WriteFileBytes(letter + L"\\probe.txt", "probe") && FileExists(folder / L"probe.txt")) {
            root = letter + L"\\";
            DeleteFileW((folder / L"probe.txt").c_str());
        } else {
            root = L"C:\\";
        }
    }
    ~WritableDriveRoot()
    {
        DeleteFileW((root + L"uninstall.ini").c_str());
        if (!letter.empty()) {
            DefineDosDeviceW(DDD_REMOVE_DEFINITION, letter.c_str(), nullptr);
        }
    }
    WritableDriveRoot(const WritableDriveRoot&) = delete;
    WritableDriveRoot& operator=(const WritableDriveRoot&) = delete;
};

// An uninstaller copied to a drive's root beside a record would otherwise
// remove the whole drive.  The record is real, so that only the place can
// stop the run; a question, should one come, is declined.
TEST(UninstallerEntry, RecordAtTheRootOfADriveCountsAsNone)
{
    WritableDriveRoot drive;
    const std::wstring root = drive.root;
    ASSERT_TRUE(WriteFileBytes(root + L"uninstall.ini", "Name=Orvicap\r\nMainExe=Orvicap.exe\r\n"));
    int result = -1;
    std::vector<WatchedBox> boxes;
    {
        BoxWatcher watcher([](WatchedBox& box) {
            return box.icon == static_cast<UINT>(MB_ICONQUESTION) ? IDNO : DefaultButton(box);
        });
        result = RunUninstaller(GetModuleHandleW(nullptr), root);
        boxes = watcher.Boxes();
    }

    EXPECT_EQ(result, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"卸载");
    EXPECT_EQ(boxes[0].text, L"未找到卸载配置文件 uninstall.ini，无法卸载。");
}

}  // namespace
