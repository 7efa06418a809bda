// The card editor and its formatting commands.

#include "app/guards.h"
#include "app/tf_main.h"
#include "richedit/rerichedit.h"
#include "settings/fontvalue.h"
#include "settings/options.h"

namespace qel {

TReFontSource Tf_Main::CardFontSource() const {
  TReFontSource source;
  const TFont font = AppOptions ? AppOptions->CardFont : TFont();
  source.font = FontToQFont(font);
  source.color = font.Color;
  source.charset = font.Charset;
  return source;
}

void Tf_Main::SetDefaultTextAttributes() {
  // Made ready for the next body to load: no edit of the card shown now.
  const bool ready = EditorReady;
  EditorReady = false;
  Finally restore([ready] { EditorReady = ready; });
  m_Card->Paragraph().SetAlignment(0);
  m_Card->Paragraph().SetNumbering(0);
  m_Card->DefAttributes().Assign(CardFontSource());
}

} // namespace qel
