/* Resource and control identifiers of tavro-verifica.exe, shared by verifica.rc, the code
 * and the tests. */
#ifndef TAVRO_VERIFICA_RESOURCE_H
#define TAVRO_VERIFICA_RESOURCE_H

#define IDI_VERIFICA        1

/* The report window: its class, the report and its two buttons */
#define VERIFICA_WINDOW_CLASS "TavroVerifica"
#define IDC_REPORT          100
#define IDC_COPY            101
#define IDC_CLOSE           102

#endif
