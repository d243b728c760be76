#include <nyxml/foundation.h>

namespace NyXmlLib9 {

CNyException::CNyException() : m_inner(nullptr) {}

CNyException::CNyException(std::wstring message) : m_message(std::move(message)), m_inner(nullptr) {}

CNyException::CNyException(std::wstring message, const CNyException& inner)
    : m_message(std::move(message)), m_inner(inner.Clone()) {}

CNyException::CNyException(const CNyException& other)
    : m_message(other.m_message), m_inner(other.m_inner ? other.m_inner->Clone() : nullptr) {}

CNyException& CNyException::operator=(const CNyException& other) {
    // Clone first: the source's chain may hang off our own inner exception.
    CNyException* inner = other.m_inner ? other.m_inner->Clone() : nullptr;
    m_message = other.m_message;
    delete m_inner;
    m_inner = inner;
    return *this;
}

CNyException::~CNyException() { delete m_inner; }

std::wstring CNyException::GetMessage() const { return m_message; }

std::wstring CNyException::GetFullMessage() const {
    std::wstring full = m_message;
    for (const CNyException* e = m_inner; e; e = e->m_inner) {
        full += L'\n';
        full += e->m_message;
    }
    return full;
}

const CNyException* CNyException::GetInnerException() const { return m_inner; }

CNyException* CNyException::Clone() const { return new CNyException(*this); }

#define NYXML_DEFINE_EXCEPTION(Name)                                   \
    Name::~Name() = default;                                           \
    CNyException* Name::Clone() const { return new Name(*this); }

NYXML_DEFINE_EXCEPTION(CNyValidationException)
NYXML_DEFINE_EXCEPTION(CNyInvalidValueException)
NYXML_DEFINE_EXCEPTION(CNyInvalidNamespaceException)
NYXML_DEFINE_EXCEPTION(CNyInvalidStateException)
NYXML_DEFINE_EXCEPTION(CNyInvalidParamException)
NYXML_DEFINE_EXCEPTION(CNyOverFlowException)

#undef NYXML_DEFINE_EXCEPTION

CInstanceMonitor::~CInstanceMonitor() = default;

}  // namespace NyXmlLib9
