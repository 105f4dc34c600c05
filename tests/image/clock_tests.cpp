// Files named or rolled over while the clock is set back: nothing is overwritten or lost.
#include "delivery/data_folder.h"
#include "delivery/exposure_log.h"
#include "delivery/undelivered.h"
#include "tests/image/platform_hooks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const int OLDER_LOGS = 3;
const DWORD LOG_LIMIT = 4 << 20;

void SetClock(WORD year, WORD hour)
{
    g_log.clockSet = true;
    g_log.clock = SYSTEMTIME{year, 12, 3, 9, hour, 32, 5, 123};
}

class Clock : public ::testing::Test {
protected:
    void SetUp() override { ResetPlatformLog(); }
    void TearDown() override { g_log.clockSet = false; }
};

TEST_F(Clock, AnUndeliveredImageNeverTakesTheNameOfAnother)
{
    HGLOBAL image = GlobalAlloc(GPTR, 1064 + 4);
    const BITMAPINFOHEADER header = {40, 1, 1, 1, 8, BI_RGB, 4, 0, 0, 256, 0};
    memcpy(GlobalLock(image), &header, sizeof header);
    GlobalUnlock(image);
    SetClock(2026, 10);
    char first[SAVED_PATH_SIZE], second[SAVED_PATH_SIZE];
    ASSERT_TRUE(SaveUndeliveredImage(image, 7, nullptr, first));
    ASSERT_TRUE(SaveUndeliveredImage(image, 7, nullptr, second)); // the same time and counter again
    EXPECT_STRNE(first, second);
    EXPECT_EQ(ReadFileText(first).size(), 14u + 1064 + 4);
    EXPECT_EQ(ReadFileText(second), ReadFileText(first));
    EXPECT_TRUE(g_log.messages.empty());
    DeleteFileA(first);
    DeleteFileA(second);
    GlobalFree(image);
}

// The real log is put aside while the test writes its own.
class LogRollover : public Clock {
protected:
    void SetUp() override
    {
        Clock::SetUp();
        char folder[MAX_PATH];
        ASSERT_TRUE(MakeDataFolder(nullptr, folder));
        for (int n = 0; n <= OLDER_LOGS; ++n) {
            paths[n] = std::string(folder) + "\\esposizioni" + (n ? "-" + std::to_string(n) : "") + ".log";
            MoveFileExA(paths[n].c_str(), (paths[n] + ".aside").c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    void TearDown() override
    {
        for (const std::string &path : paths) {
            DeleteFileA(path.c_str());
            MoveFileA((path + ".aside").c_str(), path.c_str());
        }
        Clock::TearDown();
    }
    std::string paths[OLDER_LOGS + 1];
};

TEST_F(LogRollover, ByItsSizeWhateverTheClockSays)
{
    const std::string full(LOG_LIMIT, 'x');
    for (int n = OLDER_LOGS; n >= 0; --n) {
        HANDLE file = CreateFileA(paths[n].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written;
        const std::string content = n ? std::to_string(n) : full;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }
    KeepLogOpenForLastLine();
    SetClock(2026, 10);
    LogLine("Esposizione %d", 1);
    SetClock(2025, 9); // set back a year and an hour
    LogLine("Esposizione %d", 2);
    char last[64];
    const int length = StampLine(last);
    WriteLastLine(last, length + wsprintfA(last + length, "Arresto\r\n")); // not into the file moved aside

    EXPECT_EQ(ReadFileText(paths[0]), "2026-12-09 10:32:05 Esposizione 1\r\n2025-12-09 09:32:05 Esposizione 2\r\n"
                                      "2025-12-09 09:32:05 Arresto\r\n");
    EXPECT_TRUE(ReadFileText(paths[1]) == full);
    EXPECT_EQ(ReadFileText(paths[2]), "1");
    EXPECT_EQ(ReadFileText(paths[3]), "2"); // the oldest, "3", is gone
}

} // namespace
