// A sensor model that does nothing but carry the fields that the shared code reads.
#ifndef TAVRO_TESTS_TEST_SENSOR_H
#define TAVRO_TESTS_TEST_SENSOR_H

#include "sensor/sensore.h"

class TestSensor : public Sensore {
public:
    TestSensor() : Sensore(1) {}
    void Init() override {}
    void OpenHardware() override {}
    void CloseHardware() override {}
    void Arm() override {}
    void Disarm() override {}
    void GrabImage(int) override {}
    void Poll(WPARAM, LPARAM) override {}
};

#endif
