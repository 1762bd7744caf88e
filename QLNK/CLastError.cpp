#include "CLastError.h"

constinit std::atomic<int32_t> CLastError::value_{QLNK_NO_ERROR_RECORDED};

void CLastError::Store(int code)
{
    value_.exchange(code);
}

int32_t CLastError::Take()
{
    return value_.exchange(QLNK_NO_ERROR_RECORDED);
}
