// Hand-over of each finished image to the receiving applications.
#ifndef TAVRO_DELIVER_H
#define TAVRO_DELIVER_H

#include "delivery/undelivered.h"

class Sensore;

struct Delivery {
    bool delivered;                    // a receiver answered that it took the image
    bool saved;                        // no receiver did: kept in the undelivered-images folder
    char savedPath[SAVED_PATH_SIZE];   // where, when saved
    char receivers[200];               // each receiver's class and what became of the image
};

// Hands the sensor's current image to the photo server (a copy on the clipboard and three
// commands) and to the imaging application (a copy-data message). An image that no receiver
// took is saved to the undelivered-images folder. The image stays the caller's.
Delivery DeliverImage(Sensore *sensor);

// Windows ends the session, perhaps while a receiver keeps a hand-over waiting, and the
// process with it: every image in hand that no receiver took yet is saved and logged now.
void SaveImagesInHand();

#endif
