#include "db/SqlStatement.h"

#include "db/Failure.h"

namespace {

class Reader {
public:
    explicit Reader(const QString& text) : text_(text) {}

    [[noreturn]] void refuse(const QString& why) const
    {
        throw Failure(QStringLiteral("Tietokantamoottori hylkäsi lauseen, eikä mitään muutettu."),
                      QString(), why + QStringLiteral(": ") + text_);
    }

    void skipSpace()
    {
        while (pos_ < text_.size() && text_.at(pos_).isSpace())
            ++pos_;
    }

    void requireSpace()
    {
        if (pos_ >= text_.size() || !text_.at(pos_).isSpace())
            refuse(QStringLiteral("odotettiin välilyöntiä kohdassa %1").arg(pos_ + 1));
        skipSpace();
    }

    void keyword(QStringView word)
    {
        if (QStringView(text_).mid(pos_, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            refuse(QStringLiteral("odotettiin sanaa %1 kohdassa %2").arg(word).arg(pos_ + 1));
        pos_ += word.size();
    }

    void literal(QStringView symbols)
    {
        if (QStringView(text_).mid(pos_, symbols.size()) != symbols)
            refuse(QStringLiteral("odotettiin merkkejä %1 kohdassa %2").arg(symbols).arg(pos_ + 1));
        pos_ += symbols.size();
    }

    QString bracketedName()
    {
        literal(u"[");
        const qsizetype close = text_.indexOf(QLatin1Char(']'), pos_);
        if (close < 0)
            refuse(QStringLiteral("hakasulkeissa oleva nimi jäi sulkematta"));
        QString name = text_.mid(pos_, close - pos_);
        if (name.isEmpty())
            refuse(QStringLiteral("taulukon nimi on tyhjä"));
        pos_ = close + 1;
        return name;
    }

    bool startsWith(QStringView word) const
    {
        return QStringView(text_).mid(pos_, word.size()).compare(word, Qt::CaseInsensitive) == 0;
    }

    void end()
    {
        skipSpace();
        if (pos_ != text_.size())
            refuse(QStringLiteral("lauseen jälkeen on ylimääräistä tekstiä kohdassa %1").arg(pos_ + 1));
    }

private:
    const QString& text_;
    qsizetype pos_ = 0;
};

} // namespace

Statement parseStatement(const QString& text)
{
    Reader in(text);
    in.skipSpace();
    if (in.startsWith(u"SELECT")) {
        in.keyword(u"SELECT");
        in.requireSpace();
        const QString source = in.bracketedName();
        in.literal(u".*");
        in.requireSpace();
        in.keyword(u"INTO");
        in.requireSpace();
        const QString target = in.bracketedName();
        in.requireSpace();
        in.keyword(u"FROM");
        in.requireSpace();
        const QString from = in.bracketedName();
        in.end();
        if (from != source)
            in.refuse(QStringLiteral("kopioitava taulukko on nimetty kahdella eri tavalla"));
        return SelectInto{source, target};
    }
    if (in.startsWith(u"DELETE")) {
        in.keyword(u"DELETE");
        in.requireSpace();
        in.literal(u"*");
        in.requireSpace();
        in.keyword(u"FROM");
        in.requireSpace();
        const QString table = in.bracketedName();
        in.end();
        return DeleteAllRows{table};
    }
    in.refuse(QStringLiteral("vain SELECT … INTO- ja DELETE * FROM -lauseet ovat sallittuja"));
}

QString quotedName(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}
