#include "api/url_hndl_factory.h"

#include <new>

#include "media1/url_media_one.h"
#include "media2/url_media_two.h"
#include "streamserver/url_streamserver.h"

IUrlHandler* CUrlHndlFactory::FactoryNew(const char* name) {
  // new (std::nothrow): a failed allocation yields null like an unknown name,
  // and no exception reaches the C caller.
  if (stringCompareEqual(name, kStreamserverName)) return new (std::nothrow) CUrlStreamserver();
  if (stringCompareEqual(name, kMediaOneName)) return new (std::nothrow) CUrlMediaOne();
  if (stringCompareEqual(name, kMediaTwoName)) return new (std::nothrow) CUrlMediaTwo();
  return nullptr;
}
