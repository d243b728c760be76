// Byte strings with copy-on-write sharing, and their base64 and hex forms.
#ifndef NYXML_BINARYDATA_H
#define NYXML_BINARYDATA_H

#include <nyxml/export.h>
#include <nyxml/foundation.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace NyXmlLib9 {

struct CSharedByteBuffer;

// A byte string whose storage is shared between copies and copied only when a
// copy is about to change. The shared store is reference-counted under a lock,
// so copies may live and die on different threads; one object is not itself
// safe for concurrent use. Lengths are 32-bit: a result longer than 4 GiB - 1
// raises std::length_error.
class NYXML_API CBinaryData {
public:
    CBinaryData();
    CBinaryData(const CBinaryData& other);
    CBinaryData(CBinaryData&& other) noexcept;
    // adopt false copies the bytes; adopt true takes ownership of a block that
    // came from new[].
    CBinaryData(unsigned char* const bytes, uint32_t length, bool adopt);
    // The UTF-16 code units of the text, low byte first (2 bytes per unit).
    explicit CBinaryData(const wchar_t* text);
    virtual ~CBinaryData();

    CBinaryData& operator=(const CBinaryData& other);
    CBinaryData& operator=(CBinaryData&& other) noexcept;

    // Null when the value has never held a buffer.
    const unsigned char* GetData() const;
    uint32_t GetLength() const;
    bool IsEmpty() const { return GetLength() == 0; }
    // Detaches the bytes (null if none); the caller owns them (delete[]) and
    // this value is left empty. Values of a mebibyte and more keep their bytes
    // in mapped pages: those are copied into a block from new[] first.
    unsigned char* ReleaseData();

    void Append(const unsigned char* bytes, uint32_t length);
    void Append(unsigned char byte);
    void Append(wchar_t unit);
    void Append(const wchar_t* text);
    // The string up to its first NUL.
    void Append(const std::wstring& text);
    void Append(const CBinaryData& other);

    void SetBuffer(const unsigned char* bytes, uint32_t length);
    void SetBuffer(const wchar_t* text);

    // Standard base64 (A-Z a-z 0-9 + /, '=' padding), no line breaks.
    std::wstring GetAsBase64() const;
    // Decodes leniently: blanks, tabs, line ends and '=' are skipped anywhere;
    // any other character outside the alphabet gives an empty value (length 0).
    void SetAsBase64(const wchar_t* text);
    // Two upper-case hex digits per byte.
    std::wstring GetAsHexString() const;
    // Throws "Invalid char in hex string [%c]" for a character that is not a
    // hex digit, including the missing partner of an odd-length text.
    void SetAsHexString(const wchar_t* text);

    bool operator==(const CBinaryData& other) const;
    bool operator!=(const CBinaryData& other) const { return !(*this == other); }
    // Both throw "Index Out of range [%d]" outside 0 .. length - 1.
    unsigned char operator[](uint32_t index) const;
    // Makes the store private to this value first.
    unsigned char& operator[](uint32_t index);

    void Clear();

protected:
    static std::wstring GetAsHexString(const unsigned char* bytes, uint32_t length);
    // Decodes hex text of `length` units into a new[] block of length / 2 bytes.
    static unsigned char* ConvertToHexData(const wchar_t* text, size_t length, uint32_t& byteCount);

private:
    // Ensures this value is the only holder of its store.
    void MakeUnique();
    void Adopt(unsigned char* bytes, uint32_t length, uint32_t capacity);

    CSharedByteBuffer* m_buffer;

    friend class CBinaryDataAccess;
};

}  // namespace NyXmlLib9

// Base64 coder; keeps its input and bit accumulator between steps. One object
// per call, used by one thread.
class NYXML_API CBase64 {
public:
    CBase64();
    virtual ~CBase64();

    // Number of characters that encoding `length` bytes gives.
    static size_t EncodedLength(uint32_t length);
    // Writes EncodedLength(length) characters to `out`.
    void Encode(const unsigned char* bytes, uint32_t length, wchar_t* out);
    // Decodes `length` units into `out`, which holds at least length / 4 * 3 + 3
    // bytes. Returns false at the first character that is neither in the
    // alphabet nor skipped; `written` then holds the bytes emitted before it.
    bool Decode(const wchar_t* text, size_t length, unsigned char* out, uint32_t& written);

private:
    const void* m_input;
    size_t m_inputLength;
    uint32_t m_pendingBits;
    uint32_t m_accumulator;
};

#endif
