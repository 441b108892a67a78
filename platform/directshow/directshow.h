// DirectShow as the webcam code and the test camera use it: mingw-w64's headers plus what they
// lack (object ids defined in strmiids but never declared, two subtypes with no definition at
// all, the media-type copy and free helpers of the SDK's base classes).
#pragma once

#define NO_DSHOW_STRSAFE
#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <dvdmedia.h>

EXTERN_C const CLSID CLSID_SampleGrabber;
EXTERN_C const CLSID CLSID_NullRenderer;
EXTERN_C const GUID MEDIASUBTYPE_I420;

// Frees the format block and the unknown of a media type, leaving the structure itself.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Frees a media type that DirectShow allocated with CoTaskMemAlloc, structure included.
void DeleteMediaType(AM_MEDIA_TYPE* type);
// Deep copy: a new format block and one more reference on the unknown. E_OUTOFMEMORY leaves
// the target without a format block.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A new CoTaskMemAlloc'd deep copy, or null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

// The video information header of a media type when its format block really is one: format type
// FORMAT_VideoInfo and a block at least as large as the header; otherwise null.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type);
