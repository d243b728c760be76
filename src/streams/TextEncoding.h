// Text to bytes: UTF-8 and UTF-16 little-endian forms of UTF-16 text held in
// wchar_t, read from one string or from the chunks of a CStringBuffer.
#ifndef NYXML_SRC_STREAMS_TEXTENCODING_H
#define NYXML_SRC_STREAMS_TEXTENCODING_H

#include <nyxml/binarydata.h>
#include <nyxml/types.h>
#include <nyxml/writer.h>

#include <cstddef>
#include <string>

namespace NyXmlLib9 {

// "Unknown Encoding, select UTF-8 (contact <address> for support)".
std::wstring UnknownEncodingMessage();

// UTF-8: a surrogate pair gives four bytes, an element above U+FFFF is taken
// as that code point, and an unpaired surrogate (or an element that is no
// code point) ends the output: the bytes before it are the result.
// UTF-16 (encodings 2 and 3): the units, low byte first, no byte order mark;
// an element above U+FFFF becomes its surrogate pair.
// Other encodings throw the unknown-encoding message.
CBinaryData EncodeText(const wchar_t* text, size_t length, XmlEncoding encoding);
CBinaryData EncodeBuffer(const CStringBuffer& buffer, XmlEncoding encoding);
// Appends the encoded text of the buffer to `out`. `ended`, when given, is set
// when the UTF-8 form ended early at an unpaired surrogate: a stream that
// encodes a document piece by piece drops everything after it, as the
// conversion of the whole text would.
// `pendingHigh`, when given, carries a high surrogate from one piece to the
// next (0: none): the piece's first element completes it, and a high
// surrogate that ends the piece is left there instead of ending the output.
// Without it, a high surrogate at the end of the piece is unpaired.
void AppendEncodedBuffer(const CStringBuffer& buffer, XmlEncoding encoding, CBinaryData& out,
                         bool* ended = nullptr, uint32_t* pendingHigh = nullptr);
// Bytes that the buffer's text needs at most in any encoding: four per element.
uint64_t EncodedBytesAtMost(const CStringBuffer& buffer);
// Encodes the buffer's text into `out`, which has room for
// EncodedBytesAtMost(buffer) bytes, in one pass; returns the bytes written.
// Unknown encodings throw before anything is written.
size_t EncodeBufferInto(const CStringBuffer& buffer, XmlEncoding encoding, unsigned char* out,
                        bool* ended = nullptr, uint32_t* pendingHigh = nullptr);

}  // namespace NyXmlLib9

#endif
