#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <memory>

// Runs singleinstance_helper and reads its stdout line by line.
class HelperProcess
{
public:
    explicit HelperProcess(const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(SINGLEINSTANCE_HELPER), arguments);
    }
    ~HelperProcess() { kill(); }

    // The next line of output, or an empty string when none came in time.
    QByteArray readLine(int msecs = 10000)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(msecs))
                return QByteArray();
        }
        return m_process.readLine().trimmed();
    }

    // Exit code once it ended by itself, -1 if it did not within msecs.
    int finish(int msecs = 15000)
    {
        // waitForFinished() is false for a process that has already ended.
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(msecs))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    // Ends it the hard way, as a crash would.
    void kill()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QByteArray remainingOutput() { return m_process.readAllStandardOutput(); }

private:
    QProcess m_process;
};
