#pragma once
// The About window's words, composed as the edition profile says (its
// company block, version and layout) from the language table. Any thread.
#include <QString>

namespace EditionTexts
{

// The company block that some editions add below their About text; empty
// for the others.
QString companyBlock(int edition);

// The version the About window shows: the program's version as the build
// sets it, unless the edition shows a fixed one.
QString aboutVersion(int edition);

// The About window's text for `edition`, from the current language table:
// rich text (with a link) for the rich layout, plain text otherwise.
QString aboutText(int edition);

} // namespace EditionTexts
