#pragma once
// Words that differ by customer edition and are not in the language files:
// the company blocks of the About window and its composition.
#include <QString>

namespace EditionTexts
{

// The company block that editions 10, 16 and 27 add below their About text;
// empty for every other edition.
QString companyBlock(int edition);

// The version the About window shows: the program's version as the build
// sets it, except for edition 32, which shows a fixed one.
QString aboutVersion(int edition);

// The About window's text for `edition`, from the current language table.
// Edition 60's is rich text (with a link); every other edition's is plain.
QString aboutText(int edition);

} // namespace EditionTexts
