#include "app/Previnst.h"

#include "platform/InstanceLock.h"
#include "platform/RunMessage.h"

bool AlreadyRunning = false;
QString InstanceProblem;
quint16 RunMsg = 0;

void ProbeSingleInstance() {
    InstanceProblem.clear();
    AlreadyRunning =
        InstanceLock::ProbeAlreadyRunning(QStringLiteral("ZT_Quillet"), &InstanceProblem);
    RunMsg = quint16(RegisterRunMessage(QStringLiteral("Quillet-RunMsg")));
}

void SendCloseRequest() {
    BroadcastMessage(RunMsg, CloseCode, 0);
}

bool IsCloseRequest(quint32 message, quint32 wParam) {
    return message == quint32(RunMsg) && wParam == CloseCode;
}
