#include "page.h"

#include "forms.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace Web {

namespace {

const QByteArray HtmlType = "text/html; charset=utf-8";

QString element(const char *tag, const QString &text, const char *cls = nullptr)
{
    const QString open = cls ? u"<%1 class=\"%2\">"_s.arg(QLatin1String(tag), QLatin1String(cls))
                             : u"<%1>"_s.arg(QLatin1String(tag));
    return open + escape(text) + u"</%1>\n"_s.arg(QLatin1String(tag));
}

QString attribute(const char *name, const QString &value)
{
    return u" %1=\"%2\""_s.arg(QLatin1String(name), escape(value));
}

QString formMarkup(const Form &form, const QString &token, const char *cls = nullptr)
{
    QString out = u"<form method=\"post\""_s + attribute("action", form.action)
        + (cls ? attribute("class", QLatin1String(cls)) : QString()) + u">\n"_s;
    QList<QPair<QString, QString>> hidden = form.hidden;
    hidden.prepend({u"csrf"_s, token});
    for (const auto &[name, value] : hidden)
        out += u"<input type=\"hidden\""_s + attribute("name", name) + attribute("value", value)
            + u">\n"_s;
    for (const Field &f : form.fields) {
        out += u"<label>"_s + escape(f.label) + u"<input"_s + attribute("type", f.type)
            + attribute("name", f.name) + attribute("value", f.value);
        if (!f.autocomplete.isEmpty())
            out += attribute("autocomplete", f.autocomplete);
        if (f.required)
            out += u" required"_s;
        if (f.minLength > 0)
            out += attribute("minlength", QString::number(f.minLength));
        if (f.digits)
            out += u" inputmode=\"numeric\" pattern=\"[0-9]+\""_s;
        out += u"></label>\n"_s;
    }
    return out + element("button", form.button) + u"</form>\n"_s;
}

QByteArray document(const QString &title, const QString &header, const QString &content)
{
    const QString html
        = u"<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
          "<title>"_s
        + escape(title)
        + u" · Velto</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n<body>\n"
          "<header><a class=\"brand\" href=\"/\">Velto</a>\n"_s
        + header + u"</header>\n<main>\n"_s + element("h1", title) + content
        + u"</main>\n</body>\n</html>\n"_s;
    return html.toUtf8();
}

} // namespace

bool isPage(const QStringList &pathSegments)
{
    return pathSegments.value(0) != "api"_L1;
}

bool isDestination(const QString &path)
{
    static const QStringList pages {u"/"_s, u"/contracts"_s, u"/skills"_s, u"/wallet"_s,
                                    u"/identity"_s};
    return pages.contains(path);
}

QString destination(const QString &wanted)
{
    return isDestination(wanted) ? wanted : u"/"_s;
}

const QList<QPair<QByteArray, QByteArray>> &securityHeaders()
{
    // "same-origin" rather than "no-referrer": under "no-referrer" browsers send "Origin: null"
    // with the pages' own forms, which the Origin rule then refuses. A link's token still never
    // leaves the origin.
    static const QList<QPair<QByteArray, QByteArray>> headers {
        {"Content-Security-Policy",
         "default-src 'none'; style-src 'self'; form-action 'self'; frame-ancestors 'none'; "
         "base-uri 'none'"},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "same-origin"},
        {"X-Content-Type-Options", "nosniff"},
    };
    return headers;
}

QString escape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += "&amp;"_L1;
            break;
        case '<':
            out += "&lt;"_L1;
            break;
        case '>':
            out += "&gt;"_L1;
            break;
        case '"':
            out += "&quot;"_L1;
            break;
        case '\'':
            out += "&#39;"_L1;
            break;
        default:
            out += c;
        }
    }
    return out;
}

Page::Page(const Request &req, const QString &title) : title(title)
{
    formToken = Web::formToken(req, &formCookie);
    if (req.userId) {
        const QString who = u"%1 (%2)"_s.arg(req.user.value(u"full_name"_s).toString(),
                                             req.user.value(u"email"_s).toString());
        header = element("span", u"Signed in as "_s + who, "who")
            + formMarkup({u"/sign-out"_s, u"Sign out"_s, {}, {}}, formToken, "inline");
    }
}

Page &Page::paragraph(const QString &text)
{
    content += element("p", text);
    return *this;
}

Page &Page::message(const QString &text, Tone tone)
{
    static const char *const classes[] = {"message", "message done", "message problem"};
    content += element("p", text, classes[int(tone)]);
    return *this;
}

Page &Page::link(const QString &path, const QString &text)
{
    content += u"<p><a"_s + attribute("href", path) + u">"_s + escape(text) + u"</a></p>\n"_s;
    return *this;
}

Page &Page::card(const QString &title, const QString &line, const Form &form)
{
    content += u"<section class=\"card\">\n"_s + element("h2", title) + element("p", line, "meta")
        + (form.action.isEmpty() ? QString() : formMarkup(form, formToken)) + u"</section>\n"_s;
    return *this;
}

Page &Page::form(const Form &form)
{
    content += formMarkup(form, formToken);
    return *this;
}

Reply Page::reply(int status) const
{
    Reply r {status, {}, {}, document(title, header, content), HtmlType};
    if (!formCookie.isEmpty())
        r.headers.append({"Set-Cookie", formCookie});
    return r;
}

Reply refusal(const Reply &json, const QString &path)
{
    // Only a plain path of ours: "//elsewhere.example" would be a link to another site.
    static const QRegularExpression plainPath(u"\\A/[a-z-]*\\z"_s);
    const QString back = plainPath.match(path).hasMatch() ? path : u"/"_s;
    const QString message = json.body.value(u"error"_s).toString();
    const QString content
        = element("p", message.isEmpty() ? u"Something went wrong."_s : message, "message problem")
        + u"<p><a"_s + attribute("href", back) + u">Back</a></p>\n"_s;
    return Reply {json.status, {}, json.headers, document(u"Not done"_s, {}, content), HtmlType};
}

Reply seeOther(const QString &path)
{
    return Reply {303, {}, {{"Location", path.toUtf8()}}, {}, HtmlType};
}

Reply stylesheet()
{
    // The app's palette: window #0F1B4D, content #141B33, cards #1E2A4A, accent #6E97FF,
    // secondary #9DB0E8, muted #7A8AB8, problems #FF8A80.
    static const QByteArray css = R"(body { margin: 0; background: #0F1B4D; color: white;
  font: 15px/1.5 system-ui, sans-serif; }
header { display: flex; flex-wrap: wrap; gap: 12px; align-items: center; padding: 12px 24px;
  background: #141B33; }
.brand { color: white; font-weight: bold; font-size: 18px; text-decoration: none; }
.who { margin-left: auto; color: #9DB0E8; font-size: 13px; }
main { max-width: 560px; margin: 0 auto; padding: 8px 24px 24px; }
h1 { font-size: 20px; }
h2 { font-size: 16px; margin: 0; }
a { color: #6E97FF; }
.card { background: #1E2A4A; border-radius: 10px; padding: 12px; margin: 8px 0; }
.meta { color: #9DB0E8; font-size: 13px; margin: 2px 0 0; }
.message { border: 1px solid #6E97FF; border-radius: 10px; padding: 10px 12px; color: #9DB0E8; }
.done { color: white; }
.problem { border-color: #FF8A80; color: #FF8A80; }
label { display: block; margin-top: 12px; color: #9DB0E8; font-size: 13px; }
input { display: block; width: 100%; box-sizing: border-box; margin-top: 4px; padding: 8px;
  border: 1px solid #7A8AB8; border-radius: 6px; background: #141B33; color: white; font: inherit; }
button { margin-top: 12px; padding: 8px 18px; border: 0; border-radius: 6px; background: #6E97FF;
  color: #0F1B4D; font: inherit; font-weight: bold; cursor: pointer; }
form.inline button { margin: 0; padding: 0; background: none; color: #6E97FF; font-weight: normal; }
)";
    return Reply {200, {}, {}, css, "text/css; charset=utf-8"};
}

} // namespace Web
