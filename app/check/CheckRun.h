#pragma once

#include "app/RunHooks.h"
#include "check/CheckOptions.h"
#include "check/CheckReport.h"
#include "check/Origins.h"
#include "check/SourceText.h"

#include <string>
#include <vector>

// The hooks of xmlpp-check into the driver's run: warnings through the
// walkers' observers and about the arguments, the options' say before
// anything is written, and the dependency file after the output.
class CheckRun : public RunHooks {
public:
    explicit CheckRun(const CheckOptions& options);

    DirectiveObserver* directiveObserver() override { return &directiveOrigins_; }
    XhtmlObserver* xhtmlObserver() override { return &xhtmlOrigins_; }
    void arguments(int argc, char** argv) override;
    int beforeWrite() override;
    int afterWrite(const std::string& outputName) override;

private:
    // The macros of the command line that no file of the run refers to.
    void checkMacroUse();
    MacroMap givenMacros() const;

    CheckOptions options_;
    CheckReport report_;
    SourceTexts sources_;
    DirectiveOrigins directiveOrigins_;
    XhtmlOrigins xhtmlOrigins_;
    bool xhtml_ = false;
    std::string macroList_;
};
