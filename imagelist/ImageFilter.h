#pragma once

#include <QString>

// The files the embedded browser offers: one description, a "|", then the patterns separated by ";".
// Dropped files and image list files are not filtered: any existing file is accepted there.
inline QString ImageFilterText() {
    return QStringLiteral(
        "All image files|*.jpg;*.jpeg;*.tif;*.tiff;*.rgb;*.rgba;*.sgi;*.cel;*.pic;*.tga;*.vst;*.icb;*.vda;"
        "*.win;*.pcx;*.pcd;*.ppm;*.pgm;*.pbm;*.gif;*.rla;*.bmp;*.rle;*.dib;*.psd;*.pdd;*.psp;*.png;*.iff;"
        "*.lbm;*.g3;*.hdr;*.jng;*.mng;*.ras;*.tga;*.wbmp;*.xbm;*.xpm"
        ";*.jp2;*.j2k;*.jpc;*.webp;*.heic;*.heif;*.avif;*.jxl");
}
