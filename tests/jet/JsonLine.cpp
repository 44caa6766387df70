#include "jet/JsonLine.h"

#include "jet/base/Text.h"

#include <cstdlib>

namespace orrin::test {

namespace {

class Parser {
  public:
    explicit Parser(const std::string& s) : m_s(s) {}

    Json value()
    {
        skip();
        if (m_i >= m_s.size())
            fail();
        const char c = m_s[m_i];
        Json j;
        if (c == '{') {
            j.kind = Json::Kind::Object;
            ++m_i;
            skip();
            if (peek() == '}') {
                ++m_i;
                return j;
            }
            for (;;) {
                skip();
                std::string key = string();
                skip();
                expect(':');
                j.members.emplace_back(std::move(key), value());
                skip();
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                expect('}');
                return j;
            }
        }
        if (c == '[') {
            j.kind = Json::Kind::Array;
            ++m_i;
            skip();
            if (peek() == ']') {
                ++m_i;
                return j;
            }
            for (;;) {
                j.items.push_back(value());
                skip();
                if (peek() == ',') {
                    ++m_i;
                    continue;
                }
                expect(']');
                return j;
            }
        }
        if (c == '"') {
            j.kind = Json::Kind::String;
            j.text = string();
            return j;
        }
        if (m_s.compare(m_i, 4, "true") == 0 || m_s.compare(m_i, 5, "false") == 0) {
            j.kind = Json::Kind::Bool;
            j.boolean = c == 't';
            m_i += j.boolean ? 4 : 5;
            return j;
        }
        if (m_s.compare(m_i, 4, "null") == 0) {
            m_i += 4;
            return j;
        }
        const std::size_t start = m_i;
        while (m_i < m_s.size() && std::string("+-0123456789.eE").find(m_s[m_i]) != std::string::npos)
            ++m_i;
        if (start == m_i)
            fail();
        j.kind = Json::Kind::Number;
        j.text = m_s.substr(start, m_i - start);
        j.number = std::strtod(j.text.c_str(), nullptr);
        return j;
    }

  private:
    char peek() const { return m_i < m_s.size() ? m_s[m_i] : '\0'; }
    void skip()
    {
        while (m_i < m_s.size() &&
               (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\r' || m_s[m_i] == '\n'))
            ++m_i;
    }
    void expect(char c)
    {
        if (peek() != c)
            fail();
        ++m_i;
    }
    [[noreturn]] void fail() const
    {
        throw std::runtime_error("bad JSON at " + std::to_string(m_i) + ": " + m_s);
    }
    unsigned hex4()
    {
        if (m_i + 4 > m_s.size())
            fail();
        const unsigned v = static_cast<unsigned>(std::stoul(m_s.substr(m_i, 4), nullptr, 16));
        m_i += 4;
        return v;
    }
    std::string string()
    {
        expect('"');
        std::string out;
        while (m_i < m_s.size() && m_s[m_i] != '"') {
            char c = m_s[m_i++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_i >= m_s.size())
                fail();
            c = m_s[m_i++];
            switch (c) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                unsigned cp = hex4();
                if (cp >= 0xD800 && cp < 0xDC00 && m_s.compare(m_i, 2, "\\u") == 0) {
                    m_i += 2;
                    const unsigned low = hex4();
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                orrin::jet::appendUtf8(cp, out);
                break;
            }
            default:
                out += c;
                break;
            }
        }
        expect('"');
        return out;
    }

    const std::string& m_s;
    std::size_t m_i = 0;
};

} // namespace

Json parseJson(const std::string& line)
{
    Parser p(line);
    return p.value();
}

} // namespace orrin::test
