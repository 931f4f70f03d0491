#include "macro/namelistfile.h"

#include <QFileInfo>
#include <QSettings>

namespace {
quint64 g_writes = 0; // writes through any NameListFile of this process
}

NameListFile::NameListFile(QString path) : m_path(std::move(path)) {}

NameListFile::~NameListFile() = default;

void NameListFile::setPath(const QString &path)
{
    if (path == m_path)
        return;
    m_settings.reset();
    m_path = path;
}

void NameListFile::remember()
{
    const QFileInfo fi(m_path);
    m_size = fi.exists() ? fi.size() : -1;
    m_modified = fi.exists() ? fi.lastModified() : QDateTime();
    m_writes = g_writes;
}

bool NameListFile::changed() const
{
    if (m_writes != g_writes)
        return true;
    const QFileInfo fi(m_path);
    if (!fi.exists())
        return m_size != -1;
    return fi.size() != m_size || fi.lastModified() != m_modified;
}

QSettings &NameListFile::settings()
{
    if (!m_settings) {
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        remember();
    } else if (changed()) {
        m_settings->sync();
        remember();
    }
    return *m_settings;
}

void NameListFile::written()
{
    if (!m_settings)
        return;
    m_settings->sync();
    ++g_writes;
    remember();
}
