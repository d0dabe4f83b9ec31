#pragma once
// Pixadrome as the program that opens image files. At its first start it
// claims each image extension's MIME type in the user's mimeapps.list and
// remembers, per extension, the program that had it before (settings
// section "Settings", key = the extension); the associations dialog shows
// which extensions are ours and gives any of them back.
//
// Extensions of one MIME type (jpg, jpe, jif, jpeg, jfif) are claimed and
// given back together.

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "platform/MimeApps.h"

namespace pix {

class SettingsStore;

struct AssociationRow {
    QString extension;
    QString type;         // its MIME type
    QString previous;     // desktop-file id of the previous owner ("" for none)
    QString description;  // the previous owner's name, or extension + " file"
    bool belonged = false;  // ours when the rows were read
    bool ticked = false;    // ours as the user wants it now
};

class FileAssociations {
public:
    explicit FileAssociations(SettingsStore& settings, XdgFolders xdg = XdgFolders::FromEnvironment());

    // Whether our desktop file is installed; nothing is claimed without it.
    bool OursInstalled() const;

    // Start-up: claims every extension whose previous owner has never been
    // recorded and that is not ours already. Failures are silent.
    void ClaimAtStartup();

    // The dialog's rows, in the extensions' order. An extension that is not
    // ours has its current owner recorded as its previous owner.
    std::vector<AssociationRow> Open();
    // Ticks or unticks a row and every other row of its MIME type.
    static void Toggle(std::vector<AssociationRow>& rows, size_t row);
    // What the description column shows.
    static QString ShownDescription(const AssociationRow& row);
    // Claims the newly ticked types and gives back the newly unticked ones;
    // the messages of the types that failed, one per type.
    std::vector<MsgId> Apply(const std::vector<AssociationRow>& rows);

private:
    // Makes us the default of type and, once that is written, records
    // previous as the previous owner of its extensions (with keepRecords,
    // of those without a record only). False when nothing was written.
    bool Claim(const QString& type, const QString& previous, bool keepRecords);
    std::optional<MsgId> GiveBack(const QString& type, const QString& previous);

    SettingsStore& settings_;
    XdgFolders xdg_;
};

}  // namespace pix
