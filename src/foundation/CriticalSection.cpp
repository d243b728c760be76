#include <nyxml/foundation.h>

#include <mutex>

namespace NyXmlLib9 {

CNYCriticalSection::CNYCriticalSection() : m_mutex(new std::recursive_mutex) {}

CNYCriticalSection::~CNYCriticalSection() { delete static_cast<std::recursive_mutex*>(m_mutex); }

void CNYCriticalSection::Enter() { static_cast<std::recursive_mutex*>(m_mutex)->lock(); }

void CNYCriticalSection::Leave() { static_cast<std::recursive_mutex*>(m_mutex)->unlock(); }

}  // namespace NyXmlLib9
