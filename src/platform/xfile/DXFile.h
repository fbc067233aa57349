// The X-file runtime the model loaders are written against: templates, the
// text, binary and compressed encodings, enumeration of top-level data objects,
// their children and references. Names, option values, error codes and template
// identifiers are the published ones; loaders compare GUIDs and test results.
//
// A whole file is read and checked when the enumerator is created, so a bad
// file fails there and every later call works on memory that has been checked.
// Data whose template carries a standard identifier is laid out as that
// standard template, or the file is refused with DXFILEERR_BADTYPE; memory
// running out is DXFILEERR_BADALLOC, never an exception.
#pragma once

#include "platform/kernel/WinTypes.h"

using DXFILEFORMAT = DWORD;
constexpr DXFILEFORMAT DXFILEFORMAT_BINARY = 0;
constexpr DXFILEFORMAT DXFILEFORMAT_TEXT = 1;
constexpr DXFILEFORMAT DXFILEFORMAT_COMPRESSED = 2;

using DXFILELOADOPTIONS = DWORD;
constexpr DXFILELOADOPTIONS DXFILELOAD_FROMFILE = 0x00;      // source: const char* path
constexpr DXFILELOADOPTIONS DXFILELOAD_FROMRESOURCE = 0x01;  // not supported here
constexpr DXFILELOADOPTIONS DXFILELOAD_FROMMEMORY = 0x02;    // source: DXFILELOADMEMORY*
constexpr DXFILELOADOPTIONS DXFILELOAD_FROMSTREAM = 0x04;    // not supported here
constexpr DXFILELOADOPTIONS DXFILELOAD_FROMURL = 0x08;       // not supported here

// A file image in memory; it only has to live until CreateEnumObject returns.
struct DXFILELOADMEMORY {
    LPVOID lpMemory;
    DWORD dSize;
};

// Result codes: facility 0x876, codes 850 and up.
constexpr HRESULT MakeDxFileError(DWORD code) {
    return MakeHResult(0x88760000u | code);
}

constexpr HRESULT DXFILE_OK = 0;
constexpr HRESULT DXFILEERR_BADOBJECT = MakeDxFileError(850);
constexpr HRESULT DXFILEERR_BADVALUE = MakeDxFileError(851);
constexpr HRESULT DXFILEERR_BADTYPE = MakeDxFileError(852);
constexpr HRESULT DXFILEERR_BADSTREAMHANDLE = MakeDxFileError(853);
constexpr HRESULT DXFILEERR_BADALLOC = MakeDxFileError(854);
constexpr HRESULT DXFILEERR_NOTFOUND = MakeDxFileError(855);
constexpr HRESULT DXFILEERR_NOTDONEYET = MakeDxFileError(856);
constexpr HRESULT DXFILEERR_FILENOTFOUND = MakeDxFileError(857);
constexpr HRESULT DXFILEERR_RESOURCENOTFOUND = MakeDxFileError(858);
constexpr HRESULT DXFILEERR_URLNOTFOUND = MakeDxFileError(859);
constexpr HRESULT DXFILEERR_BADRESOURCE = MakeDxFileError(860);
constexpr HRESULT DXFILEERR_BADFILETYPE = MakeDxFileError(861);
constexpr HRESULT DXFILEERR_BADFILEVERSION = MakeDxFileError(862);
constexpr HRESULT DXFILEERR_BADFILEFLOATSIZE = MakeDxFileError(863);
constexpr HRESULT DXFILEERR_BADFILECOMPRESSIONTYPE = MakeDxFileError(864);
constexpr HRESULT DXFILEERR_BADFILE = MakeDxFileError(865);
constexpr HRESULT DXFILEERR_PARSEERROR = MakeDxFileError(866);
constexpr HRESULT DXFILEERR_NOTEMPLATE = MakeDxFileError(867);
constexpr HRESULT DXFILEERR_BADARRAYSIZE = MakeDxFileError(868);
constexpr HRESULT DXFILEERR_BADDATAREFERENCE = MakeDxFileError(869);
constexpr HRESULT DXFILEERR_INTERNALERROR = MakeDxFileError(870);
constexpr HRESULT DXFILEERR_NOMOREOBJECTS = MakeDxFileError(871);
constexpr HRESULT DXFILEERR_BADINTRINSICS = MakeDxFileError(872);
constexpr HRESULT DXFILEERR_NOMORESTREAMHANDLES = MakeDxFileError(873);
constexpr HRESULT DXFILEERR_NOMOREDATA = MakeDxFileError(874);
constexpr HRESULT DXFILEERR_BADCACHEFILE = MakeDxFileError(875);
constexpr HRESULT DXFILEERR_NOINTERNET = MakeDxFileError(876);

struct IDirectXFile;
struct IDirectXFileEnumObject;
struct IDirectXFileObject;
struct IDirectXFileData;
struct IDirectXFileDataReference;
struct IDirectXFileBinary;
using LPDIRECTXFILE = IDirectXFile*;
using LPDIRECTXFILEENUMOBJECT = IDirectXFileEnumObject*;
using LPDIRECTXFILEOBJECT = IDirectXFileObject*;
using LPDIRECTXFILEDATA = IDirectXFileData*;
using LPDIRECTXFILEDATAREFERENCE = IDirectXFileDataReference*;
using LPDIRECTXFILEBINARY = IDirectXFileBinary*;

struct IDirectXFile : IUnknown {
    // source: a path (DXFILELOAD_FROMFILE) or a DXFILELOADMEMORY* (DXFILELOAD_FROMMEMORY).
    // The file is read whole; templates it declares are registered with this object too.
    virtual HRESULT CreateEnumObject(LPCVOID source, DXFILELOADOPTIONS options,
                                     IDirectXFileEnumObject** enumObject) = 0;
    // A file image ("xof " header, any encoding) holding template declarations.
    virtual HRESULT RegisterTemplates(LPCVOID data, DWORD size) = 0;

protected:
    ~IDirectXFile() = default;
};

struct IDirectXFileEnumObject : IUnknown {
    // The next top-level data object; DXFILEERR_NOMOREOBJECTS after the last.
    virtual HRESULT GetNextDataObject(IDirectXFileData** data) = 0;

protected:
    ~IDirectXFileEnumObject() = default;
};

struct IDirectXFileObject : IUnknown {
    // name null: *length = characters + terminator, or 0 for an unnamed object.
    // name given: copies the name with its terminator when *length is large enough,
    // else DXFILEERR_BADVALUE. A reference reports the name it refers to.
    virtual HRESULT GetName(LPSTR name, DWORD* length) = 0;
    // The object's own identifier, all zero when the file gives none.
    virtual HRESULT GetId(GUID* id) = 0;

protected:
    ~IDirectXFileObject() = default;
};

struct IDirectXFileData : IDirectXFileObject {
    // member null: all members packed in the template's binary layout (DWORD 4,
    // WORD 2, FLOAT 4 bytes also in 64-bit float files, DOUBLE 8, CHAR/UCHAR/BYTE 1,
    // strings as char* pointers into storage owned by the object, arrays and nested
    // template members inline, no padding). member named: that member only.
    // The bytes stay valid while the enumerator or any object of the file lives.
    virtual HRESULT GetData(LPCSTR member, DWORD* size, void** data) = 0;
    // The template identifier; the pointer lives as long as the object's file.
    virtual HRESULT GetType(const GUID** type) = 0;
    // Children in file order: data objects and references (IDirectXFileObject,
    // ask for the kind with QueryInterface); DXFILEERR_NOMOREOBJECTS after the last.
    virtual HRESULT GetNextObject(IDirectXFileObject** child) = 0;

protected:
    ~IDirectXFileData() = default;
};

struct IDirectXFileDataReference : IDirectXFileObject {
    // The data object named by the reference; DXFILEERR_BADDATAREFERENCE when the
    // file holds no such object.
    virtual HRESULT Resolve(IDirectXFileData** data) = 0;

protected:
    ~IDirectXFileDataReference() = default;
};

// Declared for QueryInterface checks; binary objects in files are skipped, so the
// runtime never hands one out.
struct IDirectXFileBinary : IDirectXFileObject {
    virtual HRESULT GetSize(DWORD* size) = 0;
    virtual HRESULT GetMimeType(LPCSTR* mimeType) = 0;
    virtual HRESULT Read(LPVOID data, DWORD size, DWORD* read) = 0;

protected:
    ~IDirectXFileBinary() = default;
};

HRESULT DirectXFileCreate(IDirectXFile** file);

// The standard template set every loader registers before reading a model:
// a text-encoded file image of template declarations, D3DRM_XTEMPLATE_BYTES long.
extern const unsigned char D3DRM_XTEMPLATES[];
extern const DWORD D3DRM_XTEMPLATE_BYTES;

// Interface identifiers.
inline constexpr GUID IID_IDirectXFile = {0x3d82ab40, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
inline constexpr GUID IID_IDirectXFileEnumObject = {
    0x3d82ab41, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
inline constexpr GUID IID_IDirectXFileSaveObject = {
    0x3d82ab42, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
inline constexpr GUID IID_IDirectXFileObject = {
    0x3d82ab43, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
inline constexpr GUID IID_IDirectXFileData = {
    0x3d82ab44, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
inline constexpr GUID IID_IDirectXFileDataReference = {
    0x3d82ab45, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
inline constexpr GUID IID_IDirectXFileBinary = {
    0x3d82ab46, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};

// Template identifiers of the standard set.
namespace dxfile_guid {
constexpr GUID Rm1(DWORD d1, WORD d2, WORD d3) {  // ...-AB39-0020AF71E433 family
    return {d1, d2, d3, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
}
constexpr GUID Rm2(DWORD d1, WORD d2, WORD d3) {  // ...-8F52-0040333594A3 family
    return {d1, d2, d3, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
}
constexpr GUID Rm3(DWORD d1, WORD d2, WORD d3) {  // ...-941C-0080C80CFA7B family
    return {d1, d2, d3, {0x94, 0x1c, 0x00, 0x80, 0xc8, 0x0c, 0xfa, 0x7b}};
}
constexpr GUID Rm4(DWORD d1, WORD d2, WORD d3) {  // ...-82C0-00A0C9697271 family
    return {d1, d2, d3, {0x82, 0xc0, 0x00, 0xa0, 0xc9, 0x69, 0x72, 0x71}};
}
}  // namespace dxfile_guid

inline constexpr GUID TID_DXFILEHeader = dxfile_guid::Rm1(0x3d82ab43, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMMesh = dxfile_guid::Rm1(0x3d82ab44, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMFrame = dxfile_guid::Rm1(0x3d82ab46, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMLight = dxfile_guid::Rm1(0x3d82ab4a, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMMaterial = dxfile_guid::Rm1(0x3d82ab4d, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMAnimation = dxfile_guid::Rm1(0x3d82ab4f, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMAnimationSet = dxfile_guid::Rm1(0x3d82ab50, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMCamera = dxfile_guid::Rm1(0x3d82ab51, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMVector = dxfile_guid::Rm1(0x3d82ab5e, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMMeshFace = dxfile_guid::Rm1(0x3d82ab5f, 0x62da, 0x11cf);
inline constexpr GUID TID_D3DRMInlineData = dxfile_guid::Rm1(0x3a23eea0, 0x94b1, 0x11d0);
inline constexpr GUID TID_D3DRMUrl = dxfile_guid::Rm1(0x3a23eea1, 0x94b1, 0x11d0);
inline constexpr GUID TID_D3DRMInfo = dxfile_guid::Rm1(0x2b957100, 0x9e9a, 0x11cf);
inline constexpr GUID TID_D3DRMMeshTextureCoords = dxfile_guid::Rm2(0xf6f23f40, 0x7686, 0x11cf);
inline constexpr GUID TID_D3DRMFrameTransformMatrix = dxfile_guid::Rm2(0xf6f23f41, 0x7686, 0x11cf);
inline constexpr GUID TID_D3DRMMeshMaterialList = dxfile_guid::Rm2(0xf6f23f42, 0x7686, 0x11cf);
inline constexpr GUID TID_D3DRMMeshNormals = dxfile_guid::Rm2(0xf6f23f43, 0x7686, 0x11cf);
inline constexpr GUID TID_D3DRMCoords2d = dxfile_guid::Rm2(0xf6f23f44, 0x7686, 0x11cf);
inline constexpr GUID TID_D3DRMMatrix4x4 = dxfile_guid::Rm2(0xf6f23f45, 0x7686, 0x11cf);
inline constexpr GUID TID_D3DRMColorRGBA = dxfile_guid::Rm2(0x35ff44e0, 0x6c7c, 0x11cf);
inline constexpr GUID TID_D3DRMMaterialArray = dxfile_guid::Rm2(0x35ff44e1, 0x6c7c, 0x11cf);
inline constexpr GUID TID_D3DRMColorRGB = dxfile_guid::Rm2(0xd3e16e81, 0x7835, 0x11cf);
inline constexpr GUID TID_D3DRMMaterialEmissiveColor = dxfile_guid::Rm2(0xd3e16e80, 0x7835, 0x11cf);
inline constexpr GUID TID_D3DRMAnimationKey = dxfile_guid::Rm2(0x10dd46a8, 0x775b, 0x11cf);
inline constexpr GUID TID_D3DRMFloatKeys = dxfile_guid::Rm2(0x10dd46a9, 0x775b, 0x11cf);
inline constexpr GUID TID_D3DRMMaterialAmbientColor = dxfile_guid::Rm2(0x01411840, 0x7786, 0x11cf);
inline constexpr GUID TID_D3DRMMaterialDiffuseColor = dxfile_guid::Rm2(0x01411841, 0x7786, 0x11cf);
inline constexpr GUID TID_D3DRMMaterialSpecularColor = dxfile_guid::Rm2(0x01411842, 0x7786, 0x11cf);
inline constexpr GUID TID_D3DRMMaterialPower = dxfile_guid::Rm2(0x01411843, 0x7786, 0x11cf);
inline constexpr GUID TID_D3DRMGuid = dxfile_guid::Rm2(0xa42790e0, 0x7810, 0x11cf);
inline constexpr GUID TID_D3DRMTextureFilename = dxfile_guid::Rm2(0xa42790e1, 0x7810, 0x11cf);
inline constexpr GUID TID_D3DRMTextureReference = dxfile_guid::Rm2(0xa42790e2, 0x7810, 0x11cf);
inline constexpr GUID TID_D3DRMIndexedColor = dxfile_guid::Rm2(0x1630b820, 0x7842, 0x11cf);
inline constexpr GUID TID_D3DRMMeshVertexColors = dxfile_guid::Rm2(0x1630b821, 0x7842, 0x11cf);
inline constexpr GUID TID_D3DRMMaterialWrap = dxfile_guid::Rm2(0x4885ae60, 0x78e8, 0x11cf);
inline constexpr GUID TID_D3DRMBoolean2d = dxfile_guid::Rm2(0x4885ae63, 0x78e8, 0x11cf);
inline constexpr GUID TID_D3DRMTimedFloatKeys = dxfile_guid::Rm2(0xf406b180, 0x7b3b, 0x11cf);
inline constexpr GUID TID_D3DRMAnimationOptions = dxfile_guid::Rm2(0xe2bf56c0, 0x840f, 0x11cf);
inline constexpr GUID TID_D3DRMFramePosition = dxfile_guid::Rm2(0xe2bf56c1, 0x840f, 0x11cf);
inline constexpr GUID TID_D3DRMFrameVelocity = dxfile_guid::Rm2(0xe2bf56c2, 0x840f, 0x11cf);
inline constexpr GUID TID_D3DRMFrameRotation = dxfile_guid::Rm2(0xe2bf56c3, 0x840f, 0x11cf);
inline constexpr GUID TID_D3DRMBoolean = dxfile_guid::Rm3(0x537da6a0, 0xca37, 0x11d0);
inline constexpr GUID TID_D3DRMMeshFaceWraps = dxfile_guid::Rm3(0xed1ec5c0, 0xc0a8, 0x11d0);
inline constexpr GUID TID_D3DRMProgressiveMesh = dxfile_guid::Rm3(0x8a63c360, 0x997d, 0x11d0);
inline constexpr GUID TID_D3DRMExternalVisual = dxfile_guid::Rm4(0x98116aa0, 0xbdba, 0x11d1);
inline constexpr GUID TID_D3DRMStringProperty = dxfile_guid::Rm4(0x7f0f21e0, 0xbfe1, 0x11d1);
inline constexpr GUID TID_D3DRMPropertyBag = dxfile_guid::Rm4(0x7f0f21e1, 0xbfe1, 0x11d1);
inline constexpr GUID TID_D3DRMRightHanded = dxfile_guid::Rm4(0x7f5d5ea0, 0xd53a, 0x11d1);

// Skinning, progressive-mesh and vertex-data templates of the mesh library.
inline constexpr GUID DXFILEOBJ_XSkinMeshHeader = {
    0x3cf169ce, 0xff7c, 0x44ab, {0x93, 0xc0, 0xf7, 0x8f, 0x62, 0xd1, 0x72, 0xe2}};
inline constexpr GUID DXFILEOBJ_VertexDuplicationIndices = {
    0xb8d65549, 0xd7c9, 0x4995, {0x89, 0xcf, 0x53, 0xa9, 0xa8, 0xb0, 0x31, 0xe3}};
inline constexpr GUID DXFILEOBJ_FaceAdjacency = {
    0xa64c844a, 0xe282, 0x4756, {0x8b, 0x80, 0x25, 0x0c, 0xde, 0x04, 0x39, 0x8c}};
inline constexpr GUID DXFILEOBJ_SkinWeights = {
    0x6f0d123b, 0xbad2, 0x4167, {0xa0, 0xd0, 0x80, 0x22, 0x4f, 0x25, 0xfa, 0xbb}};
inline constexpr GUID DXFILEOBJ_Patch = {0xa3eb5d44, 0xfc22, 0x429d, {0x9a, 0xfb, 0x32, 0x21, 0xcb, 0x97, 0x19, 0xa6}};
inline constexpr GUID DXFILEOBJ_PatchMesh = {
    0xd02c95cc, 0xedba, 0x4305, {0x9b, 0x5d, 0x18, 0x20, 0xd7, 0x70, 0x4b, 0xbf}};
inline constexpr GUID DXFILEOBJ_PMInfo = {0xb6c3e656, 0xec8b, 0x4b92, {0x9b, 0x62, 0x68, 0x16, 0x59, 0x52, 0x29, 0x47}};
inline constexpr GUID DXFILEOBJ_PMAttributeRange = {
    0x917e0427, 0xc61e, 0x4a14, {0x9c, 0x64, 0xaf, 0xe6, 0x5f, 0x9e, 0x98, 0x44}};
inline constexpr GUID DXFILEOBJ_PMVSplitRecord = {
    0x574ccc14, 0xf0b3, 0x4333, {0x82, 0x2d, 0x93, 0xe8, 0xa8, 0xa0, 0x8e, 0x4c}};
inline constexpr GUID DXFILEOBJ_FVFData = {
    0xb6e70a0e, 0x8ef9, 0x4e83, {0x94, 0xad, 0xec, 0xc8, 0xb0, 0xc0, 0x48, 0x97}};
inline constexpr GUID DXFILEOBJ_AnimTicksPerSecond = {
    0x9e415a43, 0x7ba6, 0x4a73, {0x87, 0x43, 0xb7, 0x3d, 0x47, 0xe8, 0x84, 0x76}};

// Vertex-declaration, effect and compressed-animation templates of the later revisions.
inline constexpr GUID DXFILEOBJ_VertexElement = {
    0xf752461c, 0x1e23, 0x48f6, {0xb9, 0xf8, 0x83, 0x50, 0x85, 0x0f, 0x33, 0x6f}};
inline constexpr GUID DXFILEOBJ_DeclData = {
    0xbf22e553, 0x292c, 0x4781, {0x9f, 0xea, 0x62, 0xbd, 0x55, 0x4b, 0xdd, 0x93}};
inline constexpr GUID DXFILEOBJ_EffectFloats = {
    0xf1cfe2b3, 0x0de3, 0x4e28, {0xaf, 0xa1, 0x15, 0x5a, 0x75, 0x0a, 0x28, 0x2d}};
inline constexpr GUID DXFILEOBJ_EffectString = {
    0xd55b097e, 0xbdb6, 0x4c52, {0xb0, 0x3d, 0x60, 0x51, 0xc8, 0x9d, 0x0e, 0x42}};
inline constexpr GUID DXFILEOBJ_EffectDWord = {
    0x622c0ed0, 0x956e, 0x4da9, {0x90, 0x8a, 0x2a, 0xf9, 0x4f, 0x3c, 0xe7, 0x16}};
inline constexpr GUID DXFILEOBJ_EffectParamFloats = {
    0x3014b9a0, 0x62f5, 0x478c, {0x9b, 0x86, 0xe4, 0xac, 0x9f, 0x4e, 0x41, 0x8b}};
inline constexpr GUID DXFILEOBJ_EffectParamString = {
    0x1dbc4c88, 0x94c1, 0x46ee, {0x90, 0x76, 0x2c, 0x28, 0x81, 0x8c, 0x94, 0x81}};
inline constexpr GUID DXFILEOBJ_EffectParamDWord = {
    0xe13963bc, 0xae51, 0x4c5d, {0xb0, 0x0f, 0xcf, 0xa3, 0xa9, 0xd9, 0x7c, 0xe5}};
inline constexpr GUID DXFILEOBJ_EffectInstance = {
    0xe331f7e4, 0x0559, 0x4cc2, {0x8e, 0x99, 0x1c, 0xec, 0x16, 0x57, 0x92, 0x8f}};
inline constexpr GUID DXFILEOBJ_CompressedAnimationSet = {
    0x7f9b00b3, 0xf125, 0x4890, {0x87, 0x6e, 0x1c, 0x42, 0xbf, 0x69, 0x7c, 0x4d}};
