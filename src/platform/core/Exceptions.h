#pragma once

#include <exception>
#include <string>

// The base of every exception the program raises; its message is the text the user sees, message
// text in UTF-8 as UiServices shows it (model text quoted in it is converted, a path is as named).
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

#define KESTRAME_EXCEPTION(Name, Base)                                                                                 \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
    };

KESTRAME_EXCEPTION(EConvertError, Exception)
// A stream or file error; carries the system's error number when one caused it.
class EStreamError : public Exception {
public:
    explicit EStreamError(std::string message, int errorCode = 0) : Exception(std::move(message)), errorCode_(errorCode)
    {
    }
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

KESTRAME_EXCEPTION(EReadError, EStreamError)
KESTRAME_EXCEPTION(EWriteError, EStreamError)
KESTRAME_EXCEPTION(EFOpenError, EStreamError)
KESTRAME_EXCEPTION(EFCreateError, EStreamError)
KESTRAME_EXCEPTION(EStringListError, Exception)
KESTRAME_EXCEPTION(EInOutError, Exception)
KESTRAME_EXCEPTION(EVariantError, Exception)

// A failure reported by a data source or an automation server: its own text, the five-character
// SQLSTATE (empty when there is none) and its native error code.
class EOleException : public Exception {
public:
    EOleException(std::string message, std::string sqlState = {}, int nativeCode = 0)
        : Exception(std::move(message)), sqlState_(std::move(sqlState)), nativeCode_(nativeCode)
    {
    }
    const std::string& SqlState() const { return sqlState_; }
    int NativeCode() const { return nativeCode_; }

private:
    std::string sqlState_;
    int nativeCode_;
};

// The text of an operating-system error number, as the class library appends it to file errors.
std::string SysErrorMessage(int errorNumber);
