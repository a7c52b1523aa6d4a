// Opening a document, web page or mail address with the program the desktop
// has registered for it (the shell's "open"). Behind an interface, so that a
// window can be given another opener, for instance one that only records.
#pragma once
#include <string>

class IShellOpener {
public:
    virtual ~IShellOpener() = default;
    // Opens Target (CP932: a URL such as "https://..." or "MailTo:...", or a
    // file name). Failures are not reported.
    virtual void Open(const std::string& Target) = 0;
};

// The desktop's opener (QDesktopServices::openUrl).
class TDesktopShellOpener : public IShellOpener {
public:
    void Open(const std::string& Target) override;
};

// The one desktop opener of the process.
IShellOpener& DefaultShellOpener();
