#pragma once
// The About box: product name, version and build of this program, and the credits.
#include <QDialog>

class QLabel;

class TfAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfAbout(QWidget* parent = nullptr);
    static QString ProductName(); // "Quorvin V4"
    static QString VersionText(); // "Version 4.0.0"
    static QString BuildText();   // "Build: <date> <time>"
    static QString CreditsText();
    void ShowCredits();

private:
    QLabel* Version = nullptr;
};
