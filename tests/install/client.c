/* A program as a user of the installed library writes it: found through
   pkg-config or the CMake package, it opens the first camera and captures
   one raw frame. */
#include <stdio.h>
#include <stdlib.h>

#include <qcxapi.h>

int main(void) {
    if (QCX_Init() != QCX_STATUS_SUCCESS) return 1;
    int width = 0, height = 0;
    if (QCX_CaptureGetSize(0, &width, &height) != QCX_STATUS_SUCCESS) return 2;
    unsigned char* frame = malloc((size_t)width * (size_t)height);
    const int status = frame != NULL ? QCX_CaptureRawData(0, frame) : QCX_STATUS_NO_MEMORY;
    free(frame);
    QCX_UnInit();
    printf("client: %d x %d frame, status %d\n", width, height, status);
    return status == QCX_STATUS_SUCCESS ? 0 : 3;
}
