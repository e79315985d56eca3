#include "engine/DOSOutputs.h"

#include "engine/UserNotices.h"
#include "engine/clsWaitableTimer.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <memory>

namespace {
// Pause between two polling cycles. Output or the child's end cuts it short.
constexpr int kCycleMs = 50;
} // namespace

DOSOutputs::DOSOutputs(UserNotices& notices, QObject* parent) : QObject(parent), m_notices(notices) {}

DOSOutputs::~DOSOutputs() {
    if (m_running)
        Stop(0);
}

QString DOSOutputs::ExecuteCommand(const QString& CommandLine) {
    if (!CommandLine.isEmpty())
        m_commandLine = CommandLine;
    if (m_commandLine.isEmpty()) {
        m_notices.ShowError(QStringLiteral("没有要运行的命令。"));
        return {};
    }

    QStringList words = QProcess::splitCommand(m_commandLine);
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    platform::TieToParent(*process);
    if (!words.isEmpty()) {
        process->setProgram(words.takeFirst());
        process->setArguments(words);
        process->start(QIODevice::ReadOnly);
    }
    if (process->program().isEmpty() || !process->waitForStarted(-1)) {
        m_notices.ShowError(QStringLiteral("找不到要运行的程序，或它无法运行。"));
        return {};
    }

    m_outputs.clear();
    m_running = process.get();
    // One decoder for the whole run, so that a character split between two reads arrives whole.
    QStringDecoder decoder(QStringDecoder::System);
    clsWaitableTimer timer;
    const auto wake = [&timer] { timer.Interrupt(); };
    connect(process.get(), &QProcess::readyRead, this, wake);
    connect(process.get(), &QProcess::finished, this, wake);

    for (;;) {
        const bool delivered = process->bytesAvailable() > 0;
        while (process->bytesAvailable() > 0) {
            const QString chunk = decoder.decode(process->read(kChunkBytes));
            m_outputs += chunk;
            emit ReceiveOutputs(chunk);
        }
        // Output still waiting is always read before the end of the child ends the run.
        if (!delivered && process->state() == QProcess::NotRunning)
            break;
        QCoreApplication::processEvents();
        if (!delivered)
            timer.Wait(kCycleMs);
    }

    m_lastExitCode = process->exitCode();
    m_lastExitStatus = process->exitStatus();
    m_running = nullptr;
    process.reset();
    emit CommandOver();
    return m_outputs;
}

void DOSOutputs::Stop(int graceMs) {
    if (!m_running)
        return;
    platform::AskToStop(*m_running);
    if (!m_running->waitForFinished(graceMs)) {
        m_running->kill();
        m_running->waitForFinished(-1);
    }
}
