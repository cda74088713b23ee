#include "app/mainwindow/setupdrop.h"

#include "app/sentences/filemessages.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace Tensiova {

SetupDrop SetupDrop::examine(const QMimeData &data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty()) {
        return {{}, FileMessages::droppedNoFile()};
    }
    if (urls.size() > 1) {
        return {{}, FileMessages::droppedSeveralFiles(urls.size())};
    }
    const QUrl &url = urls.front();
    if (!url.isLocalFile()) {
        return {{}, FileMessages::droppedRemote(url.toDisplayString())};
    }
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir()) {
        return {{}, FileMessages::droppedFolder(path)};
    }
    return {path, {}};
}

} // namespace Tensiova
