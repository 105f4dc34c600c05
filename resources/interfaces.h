/* What crosses a process boundary: the names and numbers by which Tavro and the programs it
 * talks to find and understand each other. The receivers, the viewer and the programs that
 * trigger a poll know them as they are; none may change. */
#ifndef TAVRO_INTERFACES_H
#define TAVRO_INTERFACES_H

/* Tavro's main window class, the string table's application name */
#define TAVRO_WINDOW_CLASS       "Tavro"

/* Held by the running Tavro, in the session's namespace: one Tavro per Windows session */
#define TAVRO_INSTANCE_MUTEX     "Local\\Tavro.Acquisizione"

/* Sent by other programs to the main window or the control dialog: poll the sensor now */
#define WM_TAVRO_TRIGGER         20000

/* The photo server: the image on the clipboard, then three commands in this order; told
 * with the registered leaving notice, wParam 2, when Tavro leaves */
#define PHOTO_SERVER_CLASS       "MORV_FOTO_SERVER"
#define PHOTO_SERVER_COMMAND_1   24329
#define PHOTO_SERVER_COMMAND_2   24330
#define PHOTO_SERVER_TAKE_IMAGE  24315
#define LEAVING_NOTICE_MESSAGE   "WM_DELETE_RESOURCE"
#define LEAVING_NOTICE_WPARAM    2

/* The imaging application: a copy of the image in a copy-data message of this tag */
#define IMAGING_CLASS            "TQuenstalWnd"
#define COPY_DATA_IMAGE          511

/* The product name in the simulated sensor library's version resource, by which the
 * readiness check tells the demonstration's library from the vendor's */
#define SIMULATED_LIBRARY_PRODUCT "Tavro sensore simulato, NON PER USO CLINICO"

/* The companion viewer */
#define VIEWER_CLASS             "lanko"

#endif
