#pragma once
// Which preview page a file gets, by the ending of its listed name, and the
// texts of the preview tab.
#include <string>

enum class PreviewPage { Picture, ZipText, Hex };

// "jpg", "png", "bmp", "gif", "ico", "cur" show as a picture, "zip" as its
// entry list, everything else (rar, docx, psd, ...) as hex. ASCII case is ignored.
PreviewPage PreviewPageForName(const std::u16string& name);
// The tab caption of a page after a preview.
std::u16string PreviewCaption(PreviewPage page);

// The hex page's caption before anything was previewed.
inline constexpr const char16_t* kInitialHexCaption = u"十六进程显示";
// A picture that does not decode.
inline constexpr const char16_t* kPictureDamagedText = u"\r\n      文件已损坏";
// An archive that does not start with a local file header.
inline constexpr const char16_t* kArchiveDamagedText = u"文件已经损坏";
// The size written on a previewed picture: "原图大小%d×%d像素".
std::u16string PictureSizeText(int width, int height);
