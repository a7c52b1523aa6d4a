// Exceptions with a fixed default message: raised by container operations that
// do not exist, by datasets for operations they do not support, and by
// iterators run past their end.
#pragma once
#include <string>

#include "Exception.h"

class EExceptionBase : public Exception {
public:
    static const char* const DefaultMessage;
    EExceptionBase();                           // Create: the default message
    explicit EExceptionBase(std::string Msg);   // CreateMsg
    const char* ClassName() const noexcept override { return "EExceptionBase"; }
};

Z_DECLARE_EXCEPTION(EUnimplementation, EExceptionBase);
Z_DECLARE_EXCEPTION(EUnsupported, EExceptionBase);
Z_DECLARE_EXCEPTION(EOutOfIndex, EExceptionBase);
