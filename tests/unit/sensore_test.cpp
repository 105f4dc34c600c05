// The base sensor: what a model that supplies no menu commands of its own shows.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "shell/globals.h"
#include "tests/test_sensor.h"

namespace {

struct SeenBox {
    std::string caption;
    std::string text;
};

// Closes the first message box of this process that appears, noting what it said.
SeenBox CloseNextBox()
{
    SeenBox seen;
    for (int attempt = 0; attempt < 1000; ++attempt, Sleep(10)) {
        HWND box = nullptr;
        for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", nullptr); window;
             window = FindWindowExA(nullptr, window, "#32770", nullptr)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window))
                box = window;
        }
        if (!box)
            continue;
        char text[512] = "";
        GetWindowTextA(box, text, sizeof text);
        seen.caption = text;
        GetDlgItemTextA(box, 65535, text, sizeof text);
        seen.text = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        break;
    }
    return seen;
}

} // namespace

TEST(Sensore, AFreshModelLooksAtTheTopAndHasCountedNothing)
{
    TestSensor model;
    EXPECT_EQ(model.orientation, 1);
    EXPECT_EQ(model.imageCount, 0);
    EXPECT_EQ(model.image, nullptr);
    EXPECT_EQ(model.direction, 1);
}

TEST(Sensore, MenuCommandsWithoutAModelsOwnSayNotImplemented)
{
    TestSensor model;
    model.Attach(nullptr, GetModuleHandleA(nullptr));
    void (Sensore::*commands[])() = {&Sensore::ShowDriverVersion, &Sensore::TestAcquisition,
                                     &Sensore::HardwareSetup, &Sensore::AcquireNow};
    for (auto command : commands) {
        SeenBox seen;
        std::thread closer([&] { seen = CloseNextBox(); });
        (model.*command)();
        closer.join();
        EXPECT_EQ(seen.caption, "");
        EXPECT_EQ(seen.text, "Funzione non implementata.\n\n"
                             "Utilizzare la relativa funzione fornita dal produttore hardware");
    }
    EXPECT_EQ(model.imageCount, 0);
    EXPECT_EQ(model.orientation, 1);
}
