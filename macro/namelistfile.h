// name.bin kept open between calls. It is read again only when the file
// changed since it was last looked at (size, time stamp, or a write made
// through another NameListFile of this process), so a tree walk costs one
// stat per call instead of one parse per call.
#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

class QSettings;

class NameListFile
{
public:
    explicit NameListFile(QString path = QString());
    ~NameListFile();
    NameListFile(const NameListFile &) = delete;
    NameListFile &operator=(const NameListFile &) = delete;

    void setPath(const QString &path); // reopens when the path differs
    QSettings &settings();
    // Flushes the writes made through settings() and notes the new state.
    void written();

private:
    void remember();
    bool changed() const;

    QString m_path;
    std::unique_ptr<QSettings> m_settings;
    qint64 m_size = -1;
    QDateTime m_modified;
    quint64 m_writes = 0;
};
