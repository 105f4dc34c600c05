// The companion viewer lanko.exe: started beside the program, found by its window class.
#ifndef TAVRO_VIEWER_H
#define TAVRO_VIEWER_H

void LaunchViewer();
void CloseViewer();
void ToggleViewer();

#endif
