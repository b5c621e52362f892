// MeterPanelView (picMeterPanel): the meter panel area. For now it shows the
// panel colour and the file readout line along its bottom edge; the dial and
// its readouts are drawn into it by the display layer.
#pragma once

#include <QWidget>

#include <string>

namespace kv {

class MeterPanelView : public QWidget {
    Q_OBJECT
public:
    explicit MeterPanelView(QWidget* parent = nullptr);

    void setPanelColour(std::int32_t colour);
    void setTextColour(std::int32_t colour);
    void Update_FileDisplay(const std::string& text);
    const std::string& fileDisplayText() const { return m_fileText; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override { return static_cast<int>(w / 1.6); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string m_fileText = "No File Loaded";
    QColor m_panel;
    QColor m_text;
};

QColor fromColourSetting(std::int32_t colour);

} // namespace kv
