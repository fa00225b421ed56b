#pragma once

#include "document/transfer/EncodingManager.h"

#include <QComboBox>
#include <QPointer>

class EncodingsPanel;

// A pop-up of the enabled text encodings, optionally headed by "Automatic", ending with
// "Customize Encodings List…", which opens the encodings panel and never stays selected.
// Refills itself, keeping its choice, whenever the list changes. Main thread; emits
// encodingSelected() when the user picks an encoding.
class EncodingsComboBox final : public QComboBox {
    Q_OBJECT

public:
    EncodingsComboBox(
        EncodingManager::Value selected, bool withDefaultEntry, QWidget* parent = nullptr);
    ~EncodingsComboBox() override;

    // NoEncoding for "Automatic" and when nothing is selected.
    EncodingManager::Value selectedEncoding() const;
    void setSelectedEncoding(EncodingManager::Value encoding);
    // The encodings panel, made on first use as a child of this pop-up's window.
    EncodingsPanel* showPanel();

signals:
    void encodingSelected(quint32 encoding);

private:
    void refill(EncodingManager::Value selected);
    void itemActivated(int index);
    void indexChanged(int index);
    bool isCustomizeItem(int index) const;

    bool m_withDefaultEntry;
    int m_chosenIndex = -1;
    bool m_filling = false;
    QPointer<EncodingsPanel> m_panel;
};
