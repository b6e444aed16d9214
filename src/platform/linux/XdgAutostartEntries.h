#pragma once

#include "platform/AutostartEntries.h"

namespace orvanel::platform {

// The user's start-with-session list as the XDG autostart folder: one desktop entry per
// value, named <value>.desktop, whose Exec line is the value's data.
class XdgAutostartEntries final : public AutostartEntries
{
public:
    // folder empty: $XDG_CONFIG_HOME/autostart, or ~/.config/autostart.
    explicit XdgAutostartEntries(QString folder = {});

    QStringList valueNames() const override;
    Value value(const QString& name) const override;
    // data is the program path the entry starts; the file is replaced whole and at once.
    bool setValue(const QString& name, const QString& data, QString* error) override;
    bool removeValue(const QString& name) override;
    bool moveValueToTrash(const QString& name, Trash& trash) override;

    QString folder() const { return m_folder; }
    static QString defaultFolder();

private:
    QString fileOf(const QString& name) const;

    QString m_folder;
};

} // namespace orvanel::platform
