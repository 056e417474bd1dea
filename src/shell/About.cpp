#include "shell/About.h"

#include "shell/MenuHelpers.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef QUORVIN_VERSION
#define QUORVIN_VERSION "4.0.0"
#endif

TfAbout::TfAbout(QWidget* parent) : QDialog(parent) {
    InitQuorvinResources();
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("About Quorvin V4"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    auto* logo = new QLabel(this);
    logo->setPixmap(QIcon(QStringLiteral(":/icons/logo.png")).pixmap(96, 96));
    logo->setAlignment(Qt::AlignTop);
    top->addWidget(logo);
    auto* texts = new QVBoxLayout();
    auto* name = new QLabel(ProductName(), this);
    name->setObjectName(QStringLiteral("lblProduct"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    name->setFont(big);
    texts->addWidget(name);
    Version = new QLabel(VersionText(), this);
    Version->setObjectName(QStringLiteral("lblVersion"));
    texts->addWidget(Version);
    auto* build = new QLabel(BuildText(), this);
    build->setObjectName(QStringLiteral("lblBuild"));
    texts->addWidget(build);
    auto* blurb = new QLabel(QStringLiteral("Data logger and scan tool for engine control modules "
                                            "that speak ALDL."),
                             this);
    blurb->setWordWrap(true);
    texts->addSpacing(6);
    texts->addWidget(blurb);
    texts->addStretch(1);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* credits =
        buttons->addButton(QStringLiteral("&Credits..."), QDialogButtonBox::ActionRole);
    credits->setObjectName(QStringLiteral("btnCredits"));
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(credits, &QPushButton::clicked, this, &TfAbout::ShowCredits);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(380, 190)));
}

QString TfAbout::ProductName() {
    return QStringLiteral("Quorvin V4");
}

QString TfAbout::VersionText() {
    return QStringLiteral("Version " QUORVIN_VERSION);
}

QString TfAbout::BuildText() {
    return QStringLiteral("Build: " __DATE__ " " __TIME__);
}

QString TfAbout::CreditsText() {
    return QStringLiteral(
               "Quorvin V4\n\n"
               "Written by the Quorvin developers.\n\n"
               "Built with Qt %1 (LGPL), pugixml (MIT) and GoogleTest (BSD).\n"
               "Icons drawn for this program.\n\n"
               "Thanks to everyone who documented the ALDL link of their engine control module and "
               "shared their vehicle definitions, and to the testers who wired up MAX232 cables on "
               "their kitchen tables.")
        .arg(QString::fromLatin1(qVersion()));
}

void TfAbout::ShowCredits() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Credits"), CreditsText(),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("credits"));
    box.exec();
}
