#pragma once
// Rich text (RTF) as the word processors that write license files produce it
// (WordPad, Word, Writer), turned into a QTextDocument that keeps what a
// reader sees: paragraphs and line breaks, bold, italic, underline, sizes,
// colours, alignment and indents, bulleted and numbered lists, and tables.
// Font tables, style sheets, pictures and other destinations are not shown.
// Any input, however broken, gives a document; nothing is read beyond it.

#include <QByteArray>

class QTextDocument;

// Replaces the content of `document` with the converted text.
void RtfToDocument(const QByteArray& rtf, QTextDocument& document);
