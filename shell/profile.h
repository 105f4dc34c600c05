// The two settings files: tavro.ini (ours) and vixwin.ini (the sensor library's).
#ifndef TAVRO_PROFILE_H
#define TAVRO_PROFILE_H

extern const char TAVRO_INI[];
extern const char VIXWIN_INI[];

// The key's integer value (see ParseProfileInt); the default when the key is absent or holds no number.
int ReadProfileInt(const char *section, const char *key, int defaultValue, const char *file);
// Writes the value as signed decimal text.
void WriteProfileInt(const char *section, const char *key, int value, const char *file);

#endif
