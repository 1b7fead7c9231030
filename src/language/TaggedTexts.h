#pragma once

#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace qv::language {

// Gives every control that carries a text tag (the dynamic property "tag")
// the text of that tag: labels, buttons, check boxes, radio buttons, group
// boxes and tab pages take it as their caption; the two data grids take
// their column titles from fixed tags; anything else keeps its text.
class TaggedTexts {
public:
    using Lookup = std::function<QString(int tag)>;

    static int tagOf(const QWidget *w);
    static void apply(QWidget *root, const Lookup &text);

    // Column titles of the grids, in column order: (field, tag).
    static const QList<QPair<QString, int>> &openOrdersColumns();
    static const QList<QPair<QString, int>> &resultDataColumns();
};

} // namespace qv::language
