#pragma once
// "Display Scale Code Conversions": a read-only list of what each raw value converts to (output)
// or which input value each byte stands for (input).
#include <QDialog>

#include <array>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

class TfDisplayScale : public QDialog {
public:
    // iniFile empty: the system's settings file (placement).
    explicit TfDisplayScale(QWidget* parent = nullptr, std::string iniFile = {});
    ~TfDisplayScale() override;
    // Replaces the rows; title is the third column's ("Converted" or "Input").
    void SetRows(const std::vector<std::array<std::string, 3>>& rows, const std::string& title);

    QTreeWidget* lvScale = nullptr;
    QPushButton* btnOk = nullptr;

private:
    std::string iniFile_;
};
