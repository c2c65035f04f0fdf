#include "CXmlNode.h"

#include "history/CXmlException.h"
#include "history/CXmlNodeList.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <string_view>

namespace ovento {

namespace {

// Children that one GetChildren call finds in its single pass; more names are looked up
// one by one.
constexpr std::size_t kMostChildren = 16;

// Element names are short; comparing them here beats a call to the library.
bool SameName(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

bool IsTextNode(pugi::xml_node node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

bool IsXmlChar(char16_t c)
{
    return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == '\t' || c == '\n' || c == '\r';
}

// The text without the characters an XML 1.0 document cannot hold.
QString XmlSafe(const QString& text)
{
    QString safe;
    const qsizetype size = text.size();
    bool changed = false;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        bool keep = IsXmlChar(c.unicode()) && !c.isSurrogate();
        qsizetype length = 1;
        if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            keep = true;
            length = 2;
        }
        if (keep && changed)
            safe.append(text.constData() + i, length);
        if (!keep && !changed) {
            safe = text.left(i);
            changed = true;
        }
        i += length - 1;
    }
    return changed ? safe : text;
}

QByteArray ToUtf8(const QString& text)
{
    try {
        return text.toUtf8();
    } catch (const std::bad_alloc&) {
        throw CXmlException(E_OUTOFMEMORY);
    }
}

bool IsPlainElementName(const QByteArray& name)
{
    if (name.isEmpty())
        return false;
    const auto isLetter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    if (!isLetter(name[0]) && name[0] != '_')
        return false;
    for (const char c : name) {
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word)
{
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return true;
}

// Leading decimal number, as the C library's base-10 conversion reads it: optional white
// space, an optional sign, digits; out-of-range values stop at the 32-bit limits.
std::int32_t ParseLong(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(kLimit, value * 10 + (text[i] - '0'));
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

// Elements loaded from a file hold their leading text themselves (the node's value); text
// after a child element, and text written into a new element, are text nodes. Every node's
// value, taken in document order, therefore gives the whole text.
void AppendText(pugi::xml_node top, QByteArray& out)
{
    out.append(top.value());
    for (pugi::xml_node node = top.first_child(); node; node = NextInTree(node, top))
        out.append(node.value());
}

// The node's text without copying when it is held in one place, as element text usually is.
std::string_view TextOf(pugi::xml_node node, QByteArray& scratch)
{
    const char* own = node.value();
    const pugi::xml_node first = node.first_child();
    if (!first)
        return own;
    if (!*own && IsTextNode(first) && !first.next_sibling())
        return first.value();
    AppendText(node, scratch);
    return {scratch.constData(), static_cast<std::size_t>(scratch.size())};
}

} // namespace

CXmlNode::CXmlNode(XmlDocumentRef document, pugi::xml_node node)
    : m_document(std::move(document)), m_node(node)
{}

pugi::xml_node CXmlNode::Checked() const
{
    if (!m_node || !m_document)
        throw CXmlException(E_POINTER);
    return m_node;
}

CXmlNode CXmlNode::GetChild(const QString& strName) const
{
    Checked();
    return GetChild(ToUtf8(strName).constData());
}

CXmlNode CXmlNode::GetChild(const char* szName) const
{
    pugi::xml_node node = Checked();
    if (const pugi::xml_node found = node.child(szName))
        return CXmlNode(m_document, found);
    if (node.type() != pugi::node_element && node.type() != pugi::node_document)
        throw CXmlException(E_FAIL);
    if (!IsPlainElementName(szName))
        throw CXmlException(E_INVALIDARG);
    const pugi::xml_node created = node.append_child(szName);
    if (!created)
        throw CXmlException(E_OUTOFMEMORY);
    m_document->NoteAppendedTo(node);
    return CXmlNode(m_document, created);
}

void CXmlNode::GetChildren(std::span<const char* const> names, std::span<CXmlNode> children) const
{
    const pugi::xml_node node = Checked();
    std::array<bool, kMostChildren> found = {};
    const std::size_t count = std::min(names.size(), found.size());
    std::size_t missing = count;
    for (pugi::xml_node child = node.first_child(); missing > 0; child = child.next_sibling()) {
        // Only elements have names; a nameless node is text, or the end of the children.
        const char* name = child.name();
        if (!*name) {
            if (!child)
                break;
            continue;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!found[i] && SameName(name, names[i])) {
                children[i] = CXmlNode(m_document, child);
                found[i] = true;
                --missing;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i >= count || !found[i])
            children[i] = GetChild(names[i]);
    }
}

CXmlNodeList CXmlNode::GetChildNodes() const
{
    return CXmlNodeList(m_document, Checked());
}

bool CXmlNode::Remove()
{
    const pugi::xml_node node = Checked();
    if (pugi::xml_node parent = node.parent()) {
        m_document->ForgetCursor();
        parent.remove_child(node);
    }
    m_node = pugi::xml_node();
    return true;
}

QString CXmlNode::ReadText() const
{
    QByteArray scratch;
    const std::string_view text = TextOf(Checked(), scratch);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool CXmlNode::TextEquals(const QString& strText, Qt::CaseSensitivity cs) const
{
    QByteArray scratch;
    const std::string_view text = TextOf(Checked(), scratch);
    const auto isAscii = [](auto c) {
        return static_cast<unsigned>(c) < 0x80;
    };
    const bool ascii =
        std::all_of(text.begin(), text.end(), isAscii) &&
        std::all_of(strText.begin(), strText.end(), [&](QChar c) { return isAscii(c.unicode()); });
    if (!ascii)
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                   .compare(strText, cs) == 0;
    if (static_cast<qsizetype>(text.size()) != strText.size())
        return false;
    const auto fold = [cs](char16_t c) {
        return cs == Qt::CaseInsensitive && c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (fold(static_cast<char16_t>(text[i])) != fold(strText[i].unicode()))
            return false;
    }
    return true;
}

void CXmlNode::WriteText(const QString& strText)
{
    pugi::xml_node node = Checked();
    const QByteArray text = ToUtf8(XmlSafe(strText));
    if (IsTextNode(node)) {
        if (!node.set_value(text.constData()))
            throw CXmlException(E_OUTOFMEMORY);
        return;
    }
    if (node.type() != pugi::node_element)
        throw CXmlException(E_FAIL);
    if (node.first_child()) {
        m_document->ForgetCursor();
        node.remove_children();
    }
    if (text.isEmpty() && !*node.value())
        return;
    // Goes into the element's own value when it has one, else into a new text child.
    if (!node.text().set(text.constData()))
        throw CXmlException(E_OUTOFMEMORY);
    if (node.first_child())
        m_document->NoteAppendedTo(node);
}

QString CXmlNode::GetText(const QString& strDefault)
{
    try {
        QString text = ReadText();
        if (!text.isEmpty() || strDefault.isEmpty())
            return text;
        WriteText(strDefault);
        return strDefault;
    } catch (const CXmlException&) {
        return QString();
    }
}

bool CXmlNode::SetText(const QString& strText)
{
    try {
        WriteText(strText);
        return true;
    } catch (const CXmlException&) {
        return false;
    }
}

bool CXmlNode::GetBool(bool bDefault)
{
    QByteArray scratch;
    const std::string_view text = TextOf(Checked(), scratch);
    if (EqualsIgnoringCase(text, "true"))
        return true;
    if (EqualsIgnoringCase(text, "false"))
        return false;
    SetBool(bDefault);
    return bDefault;
}

bool CXmlNode::SetBool(bool bValue)
{
    return SetText(bValue ? QStringLiteral("true") : QStringLiteral("false"));
}

std::int32_t CXmlNode::GetLong(std::int32_t nDefault)
{
    QByteArray scratch;
    const std::string_view text = TextOf(Checked(), scratch);
    if (!text.empty())
        return ParseLong(text);
    SetLong(nDefault);
    return nDefault;
}

bool CXmlNode::SetLong(std::int32_t nValue)
{
    return SetText(QString::number(nValue));
}

} // namespace ovento
