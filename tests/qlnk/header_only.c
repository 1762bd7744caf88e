/* Includes nothing but the public header and links nothing but the library: if either needs
   more, this does not build. Exits non-zero when an answer is wrong. */
#include <qlnk.h>

static int Fail(int line)
{
    return line;
}

int main(void)
{
    int32_t value = 0;
    int32_t status = 0;
    QLNK_CommContext context = {0};
    QLNK_OpenFn open = QLNK_Open;
    QLNK_GetLastErrorFn lastError = QLNK_GetLastError;

    if (sizeof(QLNK_CommContext) != 88 || sizeof(QLNK_DCB) != 28) {
        return Fail(__LINE__);
    }
    /* Nothing recorded yet, and reading resets. */
    if (lastError(&value) != 1 || value != QLNK_NO_ERROR_RECORDED) {
        return Fail(__LINE__);
    }
    context.portType = 0x2004u;
    if (open(&context, &status) != 0 || status != QLNK_E_PARAM) {
        return Fail(__LINE__);
    }
    if (QLNK_CloseComm(&context.netSocket, 0u, &status) != 0 || status != QLNK_E_PARAM) {
        return Fail(__LINE__);
    }
    if (lastError(&value) != 1 || value != QLNK_NO_ERROR_RECORDED) {
        return Fail(__LINE__);
    }
    return 0;
}
