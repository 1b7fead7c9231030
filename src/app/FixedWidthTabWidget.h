#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace qv::app {

// A tab widget whose tabs all have one width; a caption too long for it is
// elided by the style instead of being cut off.
class FixedWidthTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit FixedWidthTabWidget(QWidget *parent = nullptr);

    void setTabWidth(int width);
    int tabWidth() const;

private:
    class Bar : public QTabBar {
    public:
        int width = 95;

    protected:
        QSize tabSizeHint(int index) const override
        {
            return {width, QTabBar::tabSizeHint(index).height()};
        }
        QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    };
    Bar *m_bar;
};

} // namespace qv::app
