#pragma once

class QCommandLineParser;

namespace Tensiova {
class HistorySource;
}

// tensiova --history [--shared] --by-label --outdated: the devices to reprogram, for a script.
namespace Tensiova::OutdatedCommand {

enum Exit {
    NoneOutdated = 0,
    SomeOutdated = 1,
    BadOption = 2,
    Unreadable = 3, // the list may be short: the history or the station's copy could not be read
};

// Each device whose last record is not its set-up's approved version (or that has none), as
// text, CSV or one JSON object a line; source: the station's history or the workshop's.
int run(const QCommandLineParser &parser, HistorySource &source);

} // namespace Tensiova::OutdatedCommand
