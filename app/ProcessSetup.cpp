#include "app/ProcessSetup.h"

#include "io/TerminationSignals.h"

#include <QHash>
#include <QtGlobal>

#include <csignal>
#include <cstdlib>
#include <malloc.h>

namespace {

void dropQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

void setUpProcess()
{
    // The run takes place on another stack or thread than main's; a heap
    // of its own for another thread grows and shrinks in small steps, each
    // a system call.
    ::mallopt(M_ARENA_MAX, 1);
    // No temporary output file may outlive a Ctrl-C, kill or closed terminal.
    installTerminationHandlers();
    // Past a limit on file sizes (ulimit -f) a write then fails with EFBIG,
    // and the run ends as on a full disk (message, exit 1, nothing left)
    // instead of being killed with its output half made.
    ::signal(SIGXFSZ, SIG_IGN);
    // DOM attributes live in a QHash whose order follows the hash seed, so
    // the -xhtml output is the same on every run only with a fixed seed. Qt
    // keeps a seed given by QT_HASH_SEED and ignores the call, so that
    // variable goes first: no environment variable changes the output.
    ::unsetenv("QT_HASH_SEED");
    qSetGlobalQHashSeed(0);
    // Standard error carries only this program's messages, never Qt's.
    qInstallMessageHandler(dropQtMessages);
}
