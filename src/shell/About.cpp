#include "shell/About.h"

#include <QLabel>

TfAbout::TfAbout(QWidget* parent) : QDialog(parent) {
    Version = new QLabel(this);
}
QString TfAbout::ProductName() {
    return QStringLiteral("Quorvin V4");
}
QString TfAbout::VersionText() {
    return QStringLiteral("Version " QUORVIN_VERSION);
}
QString TfAbout::BuildText() {
    return QString();
}
QString TfAbout::CreditsText() {
    return QString();
}
void TfAbout::ShowCredits() {}
