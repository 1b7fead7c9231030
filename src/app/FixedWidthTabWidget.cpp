#include "app/FixedWidthTabWidget.h"

namespace qv::app {

FixedWidthTabWidget::FixedWidthTabWidget(QWidget *parent) : QTabWidget(parent), m_bar(new Bar)
{
    setTabBar(m_bar);
    m_bar->setElideMode(Qt::ElideRight);
    m_bar->setExpanding(false);
}

void FixedWidthTabWidget::setTabWidth(int width)
{
    m_bar->width = width;
    // Make the bar lay its tabs out again.
    m_bar->setIconSize(m_bar->iconSize());
    m_bar->updateGeometry();
    m_bar->update();
}

int FixedWidthTabWidget::tabWidth() const
{
    return m_bar->width;
}

} // namespace qv::app
