#pragma once

#include <QList>

class QLabel;

// Rows of a form placed by hand, each a caption and the value to its right: the
// values move right of the widest caption as the font and the language draw it,
// keeping their right edges, so that no caption is cut or runs into its value.
namespace CaptionColumn {

// The captions must share one parent; hidden ones and their rows are left as they are.
void fit(const QList<QLabel*>& captions);

} // namespace CaptionColumn
