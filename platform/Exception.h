// The one exception base of the system: a CP932 message and the class name.
// The result page prints "ClassName:message".
#pragma once
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string msg) : Message(std::move(msg)) {}
    ~Exception() override = default;
    const char* what() const noexcept override { return Message.c_str(); }
    virtual const char* ClassName() const noexcept { return "Exception"; }
    std::string Message;  // CP932 bytes
};

// Declares an exception class that derives from BASE and reports NAME as its class name.
#define Z_DECLARE_EXCEPTION(NAME, BASE)                                       \
    class NAME : public BASE {                                                \
    public:                                                                   \
        using BASE::BASE;                                                     \
        const char* ClassName() const noexcept override { return #NAME; }     \
    }

Z_DECLARE_EXCEPTION(EConvertError, Exception);
Z_DECLARE_EXCEPTION(EListError, Exception);
Z_DECLARE_EXCEPTION(EStreamError, Exception);
Z_DECLARE_EXCEPTION(EFOpenError, EStreamError);
Z_DECLARE_EXCEPTION(EFCreateError, EStreamError);
Z_DECLARE_EXCEPTION(EAssertionFailed, Exception);
// The silent exception: it abandons an operation without a message.
Z_DECLARE_EXCEPTION(EAbort, Exception);
