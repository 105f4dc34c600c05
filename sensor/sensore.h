// The abstract sensor: the state every model shares and the operations the shell may ask for.
#ifndef TAVRO_SENSORE_H
#define TAVRO_SENSORE_H

#include <windows.h>

class Sensore {
public:
    explicit Sensore(int direction);

    // Slot order is the design's table of operations; keep it.
    virtual void Init() = 0;
    virtual ~Sensore();
    virtual void ShowDriverVersion();
    virtual void TestAcquisition();
    virtual void HardwareSetup();
    virtual void AcquireNow();
    virtual void OnWindowsReady();
    virtual void ToggleHighResolution();
    virtual void OpenHardware() = 0;
    virtual void CloseHardware() = 0;
    virtual void Arm() = 0;
    virtual void Disarm() = 0;
    virtual void GrabImage(int reserved) = 0;
    virtual void Poll(WPARAM wParam, LPARAM lParam) = 0;

    void Attach(HWND ownerWindow, HINSTANCE instance);

    // Image members (image/acquisition_image.cpp, image/orientation.cpp).
    HGLOBAL CreateAcquisitionImage();
    void FillGreyPalette(HGLOBAL image);
    void CorrectOrientation(HGLOBAL &image);

    int imageCount;        // images fetched in this run, shown in control 104
    int columns;           // width of the next image, set when armed
    int rows;              // height of the next image
    HGLOBAL image;         // the image being delivered, none otherwise
    HWND ownerWindow;      // the control dialog
    HMODULE driverLibrary; // none when the model could not bind its library
    int orientation;       // operator's choice: 1 top, 2 right, 3 bottom, 4 left
    int direction;         // side the sensor delivers as top, numbered like orientation
    int highResolution;    // "Alta Risoluzione Trophy" option
    int autoWait;          // "Attesa raggi automatica" option

protected:
    void ShowNotImplemented();
};

#endif
