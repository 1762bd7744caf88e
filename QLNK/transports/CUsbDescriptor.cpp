#include "transports/CUsbDescriptor.h"

#include "transports/CUsbCalls.h"

CUsbDescriptor::~CUsbDescriptor()
{
    if (fd_ >= 0) {
        calls_.Close(fd_);
    }
}
