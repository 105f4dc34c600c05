// The Gendex sensor, driven through the vendor's library vix32.dll.
#ifndef TAVRO_GENDEX_H
#define TAVRO_GENDEX_H

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
    bool hardwareOpen; // between a successful opening and the closing
    WORD hardwareType; // model code reported when the hardware was opened
    WORD reservedA;    // further results of opening: kept, never interpreted
    WORD reservedB;

private:
    bool BindEntryPoints();
    void ShowStatus(UINT stringId);
    void GrabAndRearm();
    void Notify(UINT beep, const char *format, ...);

    // What the last grab has to tell the operator, shown over the re-arm's status text until
    // the next exposure; empty when all went well.
    char grabNotice[64];
};

// Text of a library status code, or none for a code without one.
const char *GendexErrorText(WORD status);

#endif
