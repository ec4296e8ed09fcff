#include "copy_run/status.h"

#include <QPointer>

namespace {
QPointer<Status> g_instance;
}

Status& Status::instance()
{
    if (!g_instance)
        g_instance = new Status;
    return *g_instance;
}

bool Status::exists()
{
    return !g_instance.isNull();
}

Status::Status()
{
    setObjectName(QStringLiteral("Status"));
    setWindowTitle(QStringLiteral("Pelmora Status"));
    setAttribute(Qt::WA_DeleteOnClose);
}
