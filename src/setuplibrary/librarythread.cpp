#include "setuplibrary/librarythread.h"

namespace Tensiova {

LibraryThread::LibraryThread(const QString &historyPath, const SharedServer &server,
                             QObject *receiver)
    : QObject(receiver)
    , m_worker(new QObject)
    , m_receiver(receiver)
    , m_setups(std::make_unique<WorkshopSetups>(historyPath, server))
{
    m_setups->setPatience(WindowPatienceMs);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("réglages de l'atelier"));
    m_thread.start();
}

LibraryThread::~LibraryThread()
{
    m_thread.requestInterruption();
    m_thread.quit();
    m_thread.wait();
}

} // namespace Tensiova
