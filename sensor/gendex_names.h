// What the Gendex library vix32.dll is known by: its entry points and the texts of its status
// codes. No Windows here: the readiness check and its tests share it with the binding.
#ifndef TAVRO_GENDEX_NAMES_H
#define TAVRO_GENDEX_NAMES_H

struct GendexEntryName {
    const char *name;
    bool required; // the acquisition cannot work without it
};

enum { GENDEX_ENTRY_COUNT = 11 };

// In the order they are looked up. Inhibit and integration time are bound but never called.
extern const GendexEntryName GENDEX_ENTRIES[GENDEX_ENTRY_COUNT];

// The driver's settings in vixwin.ini's [GXDriver] that the setup dialog offers: the values it
// lists, from first to last by step, in hexadecimal or not, and the text that counts when the
// key is absent.
struct GendexDriverSetting {
    const char *key;
    int first, last, step;
    bool hexadecimal;
    const char *missing;
};

enum { GENDEX_DRIVER_SETTING_COUNT = 4 };

extern const GendexDriverSetting GENDEX_DRIVER_SETTINGS[GENDEX_DRIVER_SETTING_COUNT];

// The string id of the hardware label for a reported hardware type.
unsigned GendexHardwareLabel(unsigned short hardwareType);

// Text of a library status code, or none for a code without one.
const char *GendexErrorText(unsigned short status);

#endif
