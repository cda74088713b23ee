// Saves two different setups to one file, turn about, until killed.

#include "settings/setupstore.h"
#include "testdata.h"

#include <cstdio>

using namespace Tensiova;

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const MonitoringSetup setups[] = {uniformSetup(QStringLiteral("1"), 1),
                                      uniformSetup(QStringLiteral("22"), 2)};
    for (unsigned turn = 0;; ++turn) {
        SetupStore::SaveSetup(path, setups[turn % 2]);
    }
}
