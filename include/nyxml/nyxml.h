// Everything the library offers, in one include.
#ifndef NYXML_NYXML_H
#define NYXML_NYXML_H

#include <nyxml/biginteger.h>
#include <nyxml/binarydata.h>
#include <nyxml/collections.h>
#include <nyxml/context.h>
#include <nyxml/conversions.h>
#include <nyxml/datetime.h>
#include <nyxml/decimal.h>
#include <nyxml/document.h>
#include <nyxml/export.h>
#include <nyxml/facets.h>
#include <nyxml/fastinfoset.h>
#include <nyxml/foundation.h>
#include <nyxml/generated.h>
#include <nyxml/metadata.h>
#include <nyxml/objectbase.h>
#include <nyxml/primitivecols.h>
#include <nyxml/streams.h>
#include <nyxml/types.h>
#include <nyxml/untyped.h>
#include <nyxml/variant.h>
#include <nyxml/writer.h>

#endif
