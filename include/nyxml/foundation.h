// Exceptions, message formatting, the re-entrant lock, the intrusive smart
// pointer and the instance-monitor base shared by every part of the library.
#ifndef NYXML_FOUNDATION_H
#define NYXML_FOUNDATION_H

#include <nyxml/export.h>

#include <cwchar>
#include <string>

namespace NyXmlLib9 {

// printf-style formatting into a wide string, never truncated. %s and %c take
// wide arguments (a UTF-16 string or unit), %S and %C narrow ones; the size
// prefixes h (narrow), l (wide) and I64 (64-bit integer) are understood, and
// exponents are printed with at least three digits.
NYXML_API std::wstring FormatString(const wchar_t* format, ...);

// Root of the exception family. Holds a message and an owned clone of the
// exception that caused it, so a chain keeps the class of every link.
class NYXML_API CNyException {
public:
    CNyException();
    CNyException(std::wstring message);
    CNyException(std::wstring message, const CNyException& inner);
    CNyException(const CNyException& other);
    CNyException& operator=(const CNyException& other);
    virtual ~CNyException();

    std::wstring GetMessage() const;
    // The message followed, one per line, by the messages of the inner chain.
    std::wstring GetFullMessage() const;
    const CNyException* GetInnerException() const;

protected:
    virtual CNyException* Clone() const;

private:
    std::wstring m_message;
    CNyException* m_inner;
};

#define NYXML_DECLARE_EXCEPTION(Name, Base)                                           \
    class NYXML_API Name : public Base {                                              \
    public:                                                                           \
        Name() = default;                                                             \
        Name(std::wstring message) : Base(std::move(message)) {}                      \
        Name(std::wstring message, const CNyException& inner)                         \
            : Base(std::move(message), inner) {}                                      \
        Name(const Name& other) = default;                                            \
        Name(const CNyException& other) : Base(other) {}                              \
        Name& operator=(const Name& other) = default;                                 \
        ~Name() override;                                                             \
                                                                                      \
    protected:                                                                        \
        CNyException* Clone() const override;                                         \
    }

NYXML_DECLARE_EXCEPTION(CNyValidationException, CNyException);
NYXML_DECLARE_EXCEPTION(CNyInvalidValueException, CNyValidationException);
NYXML_DECLARE_EXCEPTION(CNyInvalidNamespaceException, CNyValidationException);
NYXML_DECLARE_EXCEPTION(CNyInvalidStateException, CNyException);
NYXML_DECLARE_EXCEPTION(CNyInvalidParamException, CNyException);
NYXML_DECLARE_EXCEPTION(CNyOverFlowException, CNyException);

#undef NYXML_DECLARE_EXCEPTION

// A text that many objects usually hold alike, such as the namespace a
// generated class gives each of its collections: a short one points at one
// copy shared by the whole process (4096 texts of up to 128 units at most),
// any other is held by the object itself. Reading it costs one indirection.
class NYXML_API CSharedText {
public:
    CSharedText() : m_text(&m_own) {}
    CSharedText(const wchar_t* text) : m_text(&m_own) { Set(text ? text : L"", text ? std::wcslen(text) : 0); }
    CSharedText(const std::wstring& text) : m_text(&m_own) { Set(text.data(), text.size()); }
    CSharedText(const CSharedText& other)
        : m_own(other.m_own), m_text(other.m_text == &other.m_own ? &m_own : other.m_text) {}
    CSharedText& operator=(const CSharedText& other) {
        if (this != &other) {
            m_own = other.m_own;
            m_text = other.m_text == &other.m_own ? &m_own : other.m_text;
        }
        return *this;
    }
    CSharedText& operator=(const wchar_t* text) {
        Set(text ? text : L"", text ? std::wcslen(text) : 0);
        return *this;
    }
    CSharedText& operator=(const std::wstring& text) {
        Set(text.data(), text.size());
        return *this;
    }

    const std::wstring& Get() const { return *m_text; }
    operator const std::wstring&() const { return *m_text; }
    const wchar_t* c_str() const { return m_text->c_str(); }
    bool empty() const { return m_text->empty(); }

private:
    void Set(const wchar_t* text, size_t length);

    std::wstring m_own;
    const std::wstring* m_text;
};

// Empty base of the tree, writer, stream, collection and untyped classes.
class NYXML_API CInstanceMonitor {
public:
    explicit CInstanceMonitor(const char* /*className*/ = nullptr) {}
    virtual ~CInstanceMonitor();
};

// Re-entrant lock.
class NYXML_API CNYCriticalSection {
public:
    CNYCriticalSection();
    CNYCriticalSection(const CNYCriticalSection&) = delete;
    CNYCriticalSection& operator=(const CNYCriticalSection&) = delete;
    virtual ~CNYCriticalSection();

    void Enter();
    void Leave();

private:
    void* m_mutex;  // a std::recursive_mutex, kept out of this header
};

// Holds a CNYCriticalSection for the lifetime of a scope.
class CNYLock {
public:
    explicit CNYLock(CNYCriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    CNYLock(const CNYLock&) = delete;
    CNYLock& operator=(const CNYLock&) = delete;
    ~CNYLock() { m_cs.Leave(); }

private:
    CNYCriticalSection& m_cs;
};

// Intrusive smart pointer over any object with AddRef() and Release().
template <class T>
class CSmartPtr {
public:
    CSmartPtr() noexcept : m_p(nullptr) {}
    CSmartPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    CSmartPtr(const CSmartPtr& other) : m_p(other.m_p) { if (m_p) m_p->AddRef(); }
    CSmartPtr(CSmartPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    template <class U>
    CSmartPtr(const CSmartPtr<U>& other) : m_p(other.Get()) { if (m_p) m_p->AddRef(); }
    ~CSmartPtr() { if (m_p) m_p->Release(); }

    CSmartPtr& operator=(T* p) {
        if (p) p->AddRef();
        T* old = m_p;
        m_p = p;
        if (old) old->Release();
        return *this;
    }
    CSmartPtr& operator=(const CSmartPtr& other) { return *this = other.m_p; }
    CSmartPtr& operator=(CSmartPtr&& other) noexcept {
        if (this != &other) {
            T* old = m_p;
            m_p = other.m_p;
            other.m_p = nullptr;
            if (old) old->Release();
        }
        return *this;
    }
    template <class U>
    CSmartPtr& operator=(const CSmartPtr<U>& other) { return *this = other.Get(); }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    operator T*() const noexcept { return m_p; }
    bool IsNull() const noexcept { return m_p == nullptr; }
    // Gives up the reference without releasing it.
    T* Detach() noexcept { T* p = m_p; m_p = nullptr; return p; }
    // Takes over a reference the caller already owns.
    void Attach(T* p) { T* old = m_p; m_p = p; if (old) old->Release(); }

private:
    T* m_p;
};

}  // namespace NyXmlLib9

#endif
