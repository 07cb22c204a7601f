/* qcx: a command-line tool over the public C interface of the camera library. */
#include <stdio.h>
#include <string.h>

#include "qcxapi.h"
#include "qcxsim.h"

static int ListCameras(void) {
    int status = QCX_Init();
    if (status != QCX_STATUS_SUCCESS) {
        char text[64];
        QCX_GetErrorInfo(status, text);
        fprintf(stderr, "qcx: QCX_Init failed: %s (%d)\n", text, status);
        return 1;
    }
    int count = QCX_DeviceGetCount();
    printf("%d camera node(s) found\n", count);
    for (int node = 0; node < count; ++node) {
        int type = 0, number = 0;
        unsigned short firmware = 0;
        if (QCXSimDescribe(node, &type, &number, &firmware) == 1)
            printf("node %d: simulated camera, device type %d, device number %d, firmware 0x%04x\n", node, type,
                   number, firmware);
        else
            printf("node %d: USB camera\n", node);
    }
    QCX_UnInit();
    return 0;
}

static void Usage(void) {
    fprintf(stderr,
            "usage: qcx list\n"
            "  list   the camera nodes the library finds (real USB cameras first,\n"
            "         then the simulated cameras of QCX_SIM, e.g. QCX_SIM=21,8:3:0x0102)\n");
}

int main(int argc, char** argv) {
    if (argc < 2 || strcmp(argv[1], "list") == 0) return ListCameras();
    Usage();
    return 2;
}
