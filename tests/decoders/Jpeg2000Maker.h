#pragma once

// Small JPEG 2000 fixtures made at run time: a code stream encoded losslessly with OpenJPEG from given
// samples, and the JP2 boxes around it written by hand, so that a test chooses the colour space and the
// channel-definition box freely.

#include <openjpeg.h>

#include <QByteArray>
#include <QtEndian>

#include <cstring>
#include <vector>

namespace j2ktest {

struct TComponent {
    std::vector<int> Samples;  // row by row, ceil(width / Dx) x ceil(height / Dy)
    int Precision = 8;
    bool Signed = false;
    int Dx = 1;
    int Dy = 1;
};

struct TChannel {
    int Channel;
    int Type;
    int Association;
};

inline OPJ_SIZE_T AppendBytes(void* buffer, OPJ_SIZE_T count, void* user) {
    static_cast<QByteArray*>(user)->append(static_cast<const char*>(buffer), qsizetype(count));
    return count;
}

// A bare code stream of the given components, lossless, one resolution level (the pictures are tiny).
inline QByteArray CodeStream(int width, int height, const std::vector<TComponent>& components) {
    std::vector<opj_image_cmptparm_t> parameters(components.size());
    for (std::size_t i = 0; i < components.size(); ++i) {
        auto& p = parameters[i];
        std::memset(&p, 0, sizeof p);
        p.dx = OPJ_UINT32(components[i].Dx);
        p.dy = OPJ_UINT32(components[i].Dy);
        p.w = OPJ_UINT32((width + components[i].Dx - 1) / components[i].Dx);
        p.h = OPJ_UINT32((height + components[i].Dy - 1) / components[i].Dy);
        p.prec = OPJ_UINT32(components[i].Precision);
        p.sgnd = components[i].Signed ? 1 : 0;
    }
    opj_image_t* image =
        opj_image_create(OPJ_UINT32(components.size()), parameters.data(), OPJ_CLRSPC_UNSPECIFIED);
    image->x1 = OPJ_UINT32(width);
    image->y1 = OPJ_UINT32(height);
    for (std::size_t i = 0; i < components.size(); ++i) {
        for (std::size_t s = 0; s < components[i].Samples.size(); ++s) {
            image->comps[i].data[s] = components[i].Samples[s];
        }
    }
    opj_cparameters_t encoding;
    opj_set_default_encoder_parameters(&encoding);
    encoding.numresolution = 1;
    encoding.tcp_mct = 0;
    QByteArray bytes;
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    opj_stream_set_user_data(stream, &bytes, nullptr);
    opj_stream_set_write_function(stream, AppendBytes);
    const bool encoded = opj_setup_encoder(codec, &encoding, image) &&
                         opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                         opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return encoded ? bytes : QByteArray();
}

inline QByteArray U32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

inline QByteArray U16(quint16 value) {
    QByteArray bytes(2, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

inline QByteArray Box(const char* type, const QByteArray& content) {
    return U32(quint32(8 + content.size())) + QByteArray(type, 4) + content;
}

// A JP2 file around the code stream: every component of the same precision and sign, an enumerated
// colour space and, when `channels` is not empty, a channel-definition box with those entries.
inline QByteArray Jp2File(const QByteArray& codeStream, int width, int height, const TComponent& first,
                          int componentCount, int colourSpace, const std::vector<TChannel>& channels) {
    QByteArray header = U32(quint32(height)) + U32(quint32(width)) + U16(quint16(componentCount));
    header += char((first.Precision - 1) | (first.Signed ? 0x80 : 0));
    header += QByteArray("\x07\x00\x00", 3);  // wavelet coding, colour space known, no rights
    QByteArray headerBoxes =
        Box("ihdr", header) + Box("colr", QByteArray("\x01\x00\x00", 3) + U32(colourSpace));
    if (!channels.empty()) {
        QByteArray definitions = U16(quint16(channels.size()));
        for (const auto& c : channels) {
            definitions += U16(quint16(c.Channel)) + U16(quint16(c.Type)) + U16(quint16(c.Association));
        }
        headerBoxes += Box("cdef", definitions);
    }
    return Box("jP  ", QByteArray("\x0D\x0A\x87\x0A", 4)) +
           Box("ftyp", QByteArray("jp2 ") + U32(0) + QByteArray("jp2 ")) + Box("jp2h", headerBoxes) +
           Box("jp2c", codeStream);
}

}  // namespace j2ktest
