// The two functions through which the library reads the camera's
// configuration. The host process defines them; libstrell only calls them and
// leaves both symbols to be resolved from the loading process.
//
// Contract the library relies on:
//  - XMLSParser_ReadContentEx(filePath, keyPath, value) returns 0 after
//    writing the NUL-terminated text of the element `keyPath` names in the XML
//    file `filePath`; any other result is a failure, and then the library
//    does not look at `value`. keyPath is a slash-separated path of element
//    names starting with the document's root element ("/root/network/rtsp/s0/
//    accessname"). The library always passes a zero-filled buffer of
//    kHostValueSize bytes, so a host may write up to 255 characters and a NUL.
//  - Configer_GetParamValueByXPath(name, value, size) writes the decimal text
//    of a device parameter, at most size - 1 characters and a NUL. Its result
//    is not examined: the buffer is zero-filled, so a host that writes nothing
//    yields 0.
//  - Both are called only under one context's mutex. A process with several
//    contexts may call them from several threads at once.
#ifndef STRELL_HOSTCONFIG_HOST_READERS_H_
#define STRELL_HOSTCONFIG_HOST_READERS_H_

extern "C" {
int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value);
int Configer_GetParamValueByXPath(const char* name, char* value, int size);
}

#endif  // STRELL_HOSTCONFIG_HOST_READERS_H_
