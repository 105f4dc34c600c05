// Hand-over of each finished image to the receiving applications.
#ifndef TAVRO_DELIVER_H
#define TAVRO_DELIVER_H

class Sensore;

// Hands the sensor's current image to the photo server (clipboard and three commands) and
// to the imaging application (a copy-data message). An image that no receiver took is
// saved to the undelivered-images folder. True when the clipboard now owns the image.
bool DeliverImage(Sensore *sensor);

#endif
