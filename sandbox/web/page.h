#pragma once

#include "http.h"

// The service's own web pages: plain HTML written on the server, readable without JavaScript.
// Every text reaches the markup through escape(); markup itself is made only by Page, so a title
// holding "<script>" is shown as typed.
namespace Web {

// Everything outside "api/" is a web page: its refusals are pages too, and its forms arrive as
// application/x-www-form-urlencoded rather than JSON.
bool isPage(const QStringList &pathSegments);

// The pages a sign-in may lead on to: ours, never an address somebody put into a link. One list
// for the sign-in page's `next` and the one-time sign-in links.
bool isDestination(const QString &path);
// The path when it is one of them, else "/".
QString destination(const QString &wanted);

// Headers of every answer, page or JSON: nothing of ours runs a script, loads from elsewhere, is
// framed, or tells another site which page (and which link token) a person came from.
const QList<QPair<QByteArray, QByteArray>> &securityHeaders();

// The text with &, <, >, " and ' written as entities: safe between tags and inside quoted
// attributes.
QString escape(const QString &text);

// One form: posted to `action` (a path of ours, without a query: nothing secret travels in a
// URL) with the page's anti-forgery token, hidden values and visible fields.
struct Field
{
    QString name;
    QString label;
    QString type = u"text"_s; // "email", "password", "text"
    QString autocomplete {};
    QString value {};
    bool required = true;
    int minLength = 0;
    bool digits = false; // a number pad on touch screens, and only digits accepted
};
struct Form
{
    QString action;
    QString button;
    QList<QPair<QString, QString>> hidden;
    QList<Field> fields;
};

enum class Tone { Info, Done, Problem };

// A page under the service's header: who is signed in (with a sign-out button) and its title.
class Page
{
public:
    // The signed-in user and the forms' anti-forgery token come from the request.
    Page(const Request &req, const QString &title);

    Page &paragraph(const QString &text);
    Page &message(const QString &text, Tone tone);
    Page &link(const QString &path, const QString &text);
    // A card of a list: a title, a line under it, and its form when it has one.
    Page &card(const QString &title, const QString &line, const Form &form = {});
    Page &form(const Form &form);

    Reply reply(int status = 200) const;

private:
    QString title;
    QString header;
    QString content;
    QString formToken;
    QByteArray formCookie; // set when this browser has no anti-forgery secret yet
};

// A refusal answered as JSON by the dispatcher (no such page, a foreign Origin, a thrown
// HttpError, …) as a page, with its status and headers, and a way back to `path`.
Reply refusal(const Reply &json, const QString &path);
// 303 to a path of ours: the answer to a form that worked, and the way to the sign-in page.
Reply seeOther(const QString &path);
// The stylesheet every page links to, in the service's colours.
Reply stylesheet();

} // namespace Web
