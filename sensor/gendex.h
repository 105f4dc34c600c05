// The Gendex sensor, driven through the vendor's library vix32.dll.
#ifndef TAVRO_GENDEX_H
#define TAVRO_GENDEX_H

#include "sensor/gendex_names.h"
#include "sensor/sensore.h"

class SGendex : public Sensore {
public:
    SGendex();

    void Init() override;
    void ShowDriverVersion() override;
    void TestAcquisition() override;
    void HardwareSetup() override;
    void AcquireNow() override;
    void OpenHardware() override;
    void CloseHardware() override;
    void Arm() override;
    void Disarm() override;
    void GrabImage(int reserved) override;
    void Poll(WPARAM wParam, LPARAM lParam) override;

    WORD status;       // last result of the library, 0 = success
    WORD hardwareType; // model code reported when the hardware was opened
    WORD reservedA;    // further results of opening: kept, never interpreted
    WORD reservedB;

private:
    bool BindEntryPoints();
    void ShowStatus(UINT stringId);
    void GrabAndRearm();
    // The control dialog is gone: the program is leaving, and the library was closed for good.
    bool Leaving() const { return !IsWindow(ownerWindow); }
    void Notify(UINT beep, const char *format, ...);

    // A grab runs no other inside its boxes and hand-overs, where one would empty the
    // clipboard under the photo server's commands: a poll asked for meanwhile comes after.
    bool grabbing;
    bool pollDeferred;
    // What the last grab has to tell the operator, shown over the re-arm's status text until
    // the next exposure; empty when all went well.
    char grabNotice[64];
};

#endif
