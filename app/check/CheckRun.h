#pragma once

#include "app/RunHooks.h"
#include "check/CheckOptions.h"
#include "check/CheckReport.h"
#include "check/Origins.h"

// The hooks of xmlpp-check into the driver's run: warnings through the
// walkers' observers, the options' say before anything is written, and
// the dependency file after the output.
class CheckRun : public RunHooks {
public:
    explicit CheckRun(const CheckOptions& options);

    DirectiveObserver* directiveObserver() override { return &directiveOrigins_; }
    XhtmlObserver* xhtmlObserver() override { return &xhtmlOrigins_; }
    void fourthArgument(const std::string& argument) override;
    int beforeWrite() override;
    int afterWrite(const std::string& outputName) override;

private:
    CheckOptions options_;
    CheckReport report_;
    DirectiveOrigins directiveOrigins_;
    XhtmlOrigins xhtmlOrigins_;
};
