#pragma once

#include <QByteArray>
#include <QIODevice>

// Reads from the device until its end or until more than limit bytes have
// arrived, whichever comes first: a pipe or a device may never end. The
// result holds at most limit + 64 KiB bytes, so a size above limit means
// "too large".
QByteArray readAtMost(QIODevice& device, qint64 limit);
