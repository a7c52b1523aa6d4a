// A combo box whose list is a most-recent-first history of the texts used.
#pragma once
#include <string>

#include <QComboBox>

class TKZNHistoryComboBox : public QComboBox {
public:
    explicit TKZNHistoryComboBox(QWidget* Parent = nullptr);
    // The box's text as CP932, and setting it.
    std::string Text() const;
    void SetText(const std::string& Value);
    // Puts the box's text at the top of the list, once (nothing for an empty text).
    void AddHistory();
};
