#include "xhtml/BoundedRead.h"

QByteArray readAtMost(QIODevice& device, qint64 limit)
{
    QByteArray bytes;
    char block[65536];
    while (bytes.size() <= limit) {
        const qint64 got = device.read(block, sizeof block);
        if (got <= 0)
            break;
        bytes.append(block, int(got));
    }
    return bytes;
}
