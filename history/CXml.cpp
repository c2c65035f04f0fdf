#include "CXml.h"

#include "history/AtomicFileWrite.h"
#include "history/CXmlException.h"
#include "platform/DebugOutput.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <string_view>

namespace ovento {

namespace {

// Whitespace-only text is kept only where it is an element's whole content, so values made
// of blanks survive while the indentation between elements is dropped. Fragment mode keeps
// stray top-level text, which a document may not have, so such files can be refused. An
// element's leading text is kept in the element itself: half the nodes, a faster start-up.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration |
                                   pugi::parse_ws_pcdata_single | pugi::parse_fragment |
                                   pugi::parse_embed_pcdata;
constexpr unsigned kFormatOptions =
    pugi::format_indent | pugi::format_no_declaration | pugi::format_skip_control_chars;

// Room for a few more records than the last save held.
constexpr qsizetype kSaveSlack = 4096;

class ByteArrayWriter : public pugi::xml_writer
{
public:
    explicit ByteArrayWriter(QByteArray& out) : m_out(out) {}
    void write(const void* data, size_t size) override
    {
        m_out.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    }

private:
    QByteArray& m_out;
};

bool IsXmlCodePoint(std::uint32_t code)
{
    if (code < 0x20)
        return code == '\t' || code == '\n' || code == '\r';
    return code != 0xFFFE && code != 0xFFFF && (code < 0xD800 || code > 0xDFFF) && code <= 0x10FFFF;
}

// The scan of a file looks at some characters one by one: CR (line ends to fold), and the
// starts of character references and CDATA sections ("&#", "<![").
#if defined(__SSE2__)
constexpr std::ptrdiff_t kPlainBlock = 16;

// True when the sixteen bytes are ASCII that XML allows and none of them is notable.
bool IsPlainAscii(const unsigned char* p)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed compare: bytes from 0x80 up count as negative, so they fall below 0x20 too.
    const __m128i below = _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20));
    // Tab and LF pass; CR is below 0x20 and so is looked at.
    const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')),
                                        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    const __m128i notable = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')),
                                         _mm_cmpeq_epi8(bytes, _mm_set1_epi8('[')));
    return _mm_movemask_epi8(_mm_or_si128(_mm_andnot_si128(breaks, below), notable)) == 0;
}
#else
constexpr std::ptrdiff_t kPlainBlock = 1;

bool IsPlainAscii(const unsigned char* p)
{
    return *p < 0x80 && IsXmlCodePoint(*p) && *p != '\r' && *p != '&' && *p != '[';
}
#endif

// What one pass over a file tells about it.
struct TextScan
{
    bool valid = true;      // UTF-8 made only of characters an XML document may contain
    bool hasCr = false;     // holds a CR
    bool hasMarkup = false; // holds "&#" or "<![", whose text the parser makes up itself
};

// The code point starting at p (a lead byte of 0x80 or more), or 0 when the sequence is not
// well-formed UTF-8; p moves past it.
std::uint32_t DecodeUtf8(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char lead = *p++;
    int more = 0;
    std::uint32_t code = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, code = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, code = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, code = lead & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (end - p < more)
        return 0;
    for (; more > 0; --more, ++p) {
        if ((*p & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (*p & 0x3Fu);
    }
    return code < least ? 0 : code;
}

TextScan ScanText(const char* text, std::size_t size)
{
    TextScan scan;
    const auto* begin = reinterpret_cast<const unsigned char*>(text);
    const auto* end = begin + size;
    for (const unsigned char* p = begin; p < end;) {
        // Plain ASCII is nearly all of a record file: pass it a block at a time.
        while (end - p >= kPlainBlock && IsPlainAscii(p))
            p += kPlainBlock;
        if (p == end)
            break;
        const unsigned char c = *p;
        if (c >= 0x80) {
            if (!IsXmlCodePoint(DecodeUtf8(p, end)))
                return TextScan{false};
            continue;
        }
        if (!IsXmlCodePoint(c))
            return TextScan{false};
        scan.hasCr |= c == '\r';
        scan.hasMarkup |= (c == '&' && end - p > 1 && p[1] == '#') ||
                          (c == '[' && p - begin >= 2 && p[-2] == '<' && p[-1] == '!');
        ++p;
    }
    return scan;
}

bool IsXmlText(const char* text)
{
    return ScanText(text, std::strlen(text)).valid;
}

// Character references can still bring in what XML forbids (&#1;). CDATA sections become
// plain text, so every text is written with the same escaping.
bool CheckAndFlattenTexts(pugi::xml_document& document)
{
    for (pugi::xml_node node = document.first_child(); node; node = NextInTree(node, document)) {
        if (node.type() == pugi::node_cdata) {
            pugi::xml_node parent = node.parent();
            pugi::xml_node text = parent.insert_child_before(pugi::node_pcdata, node);
            if (!text || !text.set_value(node.value()))
                return false;
            parent.remove_child(node);
            node = text;
        }
        if (!IsXmlText(node.value()))
            return false;
        for (pugi::xml_attribute attribute : node.attributes()) {
            if (!IsXmlText(attribute.value()))
                return false;
        }
    }
    return true;
}

// pugixml accepts several top-level elements or stray top-level text; XML does not.
bool HasOneRootElement(const pugi::xml_document& document)
{
    int elements = 0;
    for (pugi::xml_node node : document.children()) {
        if (node.type() == pugi::node_element)
            ++elements;
        else if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            return false;
    }
    return elements == 1;
}

// The document is written in UTF-8 whatever the loaded declaration said.
void DeclareUtf8(pugi::xml_document& document)
{
    for (pugi::xml_node node : document.children()) {
        if (node.type() == pugi::node_declaration) {
            if (pugi::xml_attribute encoding = node.attribute("encoding"))
                encoding.set_value("UTF-8");
        }
    }
}

QString UnusedAsidePath(const QString& path)
{
    const QString stem = path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n);
    return aside;
}

} // namespace

bool CXml::Open(const QString& strPath)
{
    try {
        m_document = XmlDocumentRef::MakeNew();
    } catch (const std::bad_alloc&) {
        m_document = XmlDocumentRef();
        return false;
    }
    m_strPath = strPath;
    m_strUnreadableFile.clear();
    if (!strPath.isEmpty())
        RemoveLeftoverTemporaries(strPath);
    if (!QFileInfo::exists(strPath)) {
        PrepareNew();
        return true;
    }
    if (Load(strPath))
        return true;
    KeepUnreadableFile();
    m_document = XmlDocumentRef::MakeNew();
    PrepareNew();
    return false;
}

bool CXml::Load(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const TextScan scan = ScanText(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (!scan.valid)
        return false;
    m_document->source = std::move(bytes);
    QByteArray& source = m_document->source;
    pugi::xml_document& document = m_document->document;
    // Line-end folding only ever acts on CR; files this program writes carry none.
    const unsigned options = scan.hasCr ? kParseOptions : kParseOptions & ~pugi::parse_eol;
    const pugi::xml_parse_result result = document.load_buffer_inplace(
        source.data(), static_cast<size_t>(source.size()), options, pugi::encoding_utf8);
    if (!result || !HasOneRootElement(document))
        return false;
    // Without references or CDATA sections every text is a checked part of the file.
    if (scan.hasMarkup && !CheckAndFlattenTexts(document))
        return false;
    DeclareUtf8(document);
    return true;
}

void CXml::PrepareNew()
{
    pugi::xml_node declaration = m_document->document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    declaration.append_attribute("standalone").set_value("no");
}

void CXml::KeepUnreadableFile()
{
    const QString aside = UnusedAsidePath(m_strPath);
    if (QFile::rename(m_strPath, aside)) {
        OutputDebugString(
            QStringLiteral("CXml::Open( %1 ) unreadable file kept as %2\n").arg(m_strPath, aside));
        return;
    }
    m_strUnreadableFile = m_strPath;
    OutputDebugString(QStringLiteral("CXml::Open( %1 ) unreadable file could not be renamed; it "
                                     "will not be written over\n")
                          .arg(m_strPath));
}

bool CXml::Save(const QString& strPath)
{
    if (strPath.isNull() && m_strPath.isEmpty())
        return true;
    const QString target = strPath.isNull() ? m_strPath : strPath;
    try {
        WriteFile(target);
    } catch (const CXmlException& error) {
        OutputDebugString(QStringLiteral("CXml::Save( %1 ) failed:%2\n")
                              .arg(target, CXmlException::ErrorText(error.Code())));
        return false;
    }
    m_strPath = target;
    return true;
}

void CXml::WriteFile(const QString& strPath)
{
    if (!m_document)
        throw CXmlException(E_POINTER);
    if (!m_strUnreadableFile.isEmpty() && QFileInfo(strPath) == QFileInfo(m_strUnreadableFile))
        throw CXmlException(E_ACCESSDENIED);
    QByteArray bytes;
    try {
        bytes.reserve(std::max(m_nSavedSize, m_document->source.size()) + kSaveSlack);
        ByteArrayWriter writer(bytes);
        m_document->document.save(writer, "\t", kFormatOptions, pugi::encoding_utf8);
        // A bare CR would come back as LF, since XML folds line ends on reading.
        if (bytes.contains('\r'))
            bytes.replace("\r", "&#13;");
    } catch (const std::bad_alloc&) {
        throw CXmlException(E_OUTOFMEMORY);
    }
    if (const int error = WriteFileAtomically(strPath, bytes))
        throw CXmlException(CXmlException::FromErrno(error));
    m_nSavedSize = bytes.size();
}

CXmlNode CXml::GetRoot()
{
    if (!m_document)
        throw CXmlException(E_POINTER);
    pugi::xml_document& document = m_document->document;
    pugi::xml_node root = document.document_element();
    if (!root) {
        root = document.append_child("tabra");
        if (!root)
            throw CXmlException(E_OUTOFMEMORY);
        m_document->NoteAppendedTo(document);
    }
    return CXmlNode(m_document, root);
}

} // namespace ovento
