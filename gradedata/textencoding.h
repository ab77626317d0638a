#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// Byte encodings of the data file: UTF-8 and Windows-1252 (files written on older Windows
// systems). Windows-1252 is decoded without loss: its five unassigned bytes stand for the
// control characters of the same number, so every byte sequence comes back unchanged.

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing
// beyond U+10FFFF, no cut-off sequence).
bool isValidUtf8(QByteArrayView bytes);
// The length (1 to 4) of the well-formed UTF-8 sequence that starts at p, before end; 0 when
// the bytes there are none (a stray or missing continuation byte, an overlong form, a
// surrogate, a code point beyond U+10FFFF, a cut-off sequence). p < end.
int utf8SequenceLength(const uchar* p, const uchar* end);

QString decodeWindows1252(QByteArrayView bytes);
// Decodes into out, which has room for one character per byte; returns the end of what it wrote.
QChar* decodeWindows1252(QByteArrayView bytes, QChar* out);
// The text in Windows-1252, or nothing when a character has no byte there.
std::optional<QByteArray> encodeWindows1252(QStringView text);
