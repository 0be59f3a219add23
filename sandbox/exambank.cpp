#include "exambank.h"

using namespace Qt::StringLiterals;

namespace ExamBank {

namespace {

// One question: the text, four options "a" to "d", and the key of the right one.
Question q(const QString &id, const QString &text, const QStringList &options, const char *correct)
{
    Question question {id, text, {}, QString::fromLatin1(correct)};
    const char keys[] = {'a', 'b', 'c', 'd'};
    for (int i = 0; i < options.size() && i < 4; ++i)
        question.options.append(Option {QString(QLatin1Char(keys[i])), options.at(i)});
    return question;
}

// Levels 1 and 2 are free; level 3 carries a fee paid on the web.
constexpr int TimeLimits[] = {300, 450, 600};
constexpr qint64 Fees[] = {0, 0, 49900};

Level level(int n, const QList<Question> &questions)
{
    return Level {n, TimeLimits[n - 1], Fees[n - 1], questions};
}

QList<Skill> build()
{
    QList<Skill> all;

    all.append(Skill {
        u"C++"_s,
        {level(1,
               {q("cpp.1.1", "Which header declares std::vector?",
                  {"<vector>", "<list>", "<array>", "<memory>"}, "a"),
                q("cpp.1.2", "What does `const int *p` make constant?",
                  {"the pointer", "the pointed-to int", "both", "neither"}, "b"),
                q("cpp.1.3", "Which keyword lets the compiler deduce a variable's type?",
                  {"decltype", "typename", "auto", "var"}, "c"),
                q("cpp.1.4", "What is the value of 7 / 2 with int operands?",
                  {"3.5", "4", "3", "undefined"}, "c"),
                q("cpp.1.5", "Which operator frees memory obtained with new[]?",
                  {"delete", "free", "delete[]", "release"}, "c")}),
         level(2,
               {q("cpp.2.1", "What does std::move do by itself?",
                  {"moves the object", "casts to an rvalue reference", "copies the object",
                   "destroys the source"},
                  "b"),
                q("cpp.2.2", "Which smart pointer has exactly one owner?",
                  {"std::shared_ptr", "std::weak_ptr", "std::unique_ptr", "std::auto_ptr"}, "c"),
                q("cpp.2.3", "A virtual destructor matters when…",
                  {"a derived object is deleted through a base pointer", "the class has no members",
                   "the class is final", "the object lives on the stack"},
                  "a"),
                q("cpp.2.4", "Which container keeps its keys sorted?",
                  {"std::unordered_map", "std::map", "std::vector", "std::deque"}, "b"),
                q("cpp.2.5", "What does RAII tie a resource's lifetime to?",
                  {"a thread", "a global flag", "an object's lifetime", "the heap"}, "c")}),
         level(
             3,
             {q("cpp.3.1", "Which rule governs implicit special members when one is declared?",
                {"rule of zero/three/five", "ODR", "SFINAE", "ADL"}, "a"),
              q("cpp.3.2", "What does SFINAE stand for?",
                {"Substitution failure is not an error", "Static function inline and extern",
                 "Safe finalisation in nested exceptions", "Symbol folding in named entities"},
                "a"),
              q("cpp.3.3", "std::memory_order_acquire pairs with…",
                {"memory_order_relaxed", "memory_order_release", "memory_order_consume", "nothing"},
                "b"),
              q("cpp.3.4", "Which cast removes const?",
                {"static_cast", "reinterpret_cast", "const_cast", "dynamic_cast"}, "c"),
              q("cpp.3.5", "What is the complexity of std::sort?",
                {"O(n)", "O(n log n)", "O(n²) worst case required", "O(log n)"}, "b")})}});

    all.append(Skill {
        u"C#"_s,
        {level(1,
               {q("csharp.1.1", "Which keyword declares a nullable int?",
                  {"int?", "int!", "Nullable int", "int*"}, "a"),
                q("csharp.1.2", "Which type is a value type?",
                  {"string", "object", "struct", "class"}, "c"),
                q("csharp.1.3", "What does `using` around an IDisposable ensure?",
                  {"thread safety", "Dispose is called", "garbage collection", "inlining"}, "b"),
                q("csharp.1.4", "Which collection is a generic list?",
                  {"ArrayList", "List<T>", "Hashtable", "Array"}, "b"),
                q("csharp.1.5", "Which keyword prevents inheritance from a class?",
                  {"static", "sealed", "readonly", "const"}, "b")}),
         level(
             2,
             {q("csharp.2.1", "What does `await` do?",
                {"blocks the thread", "yields until the task completes", "starts a thread",
                 "cancels a task"},
                "b"),
              q("csharp.2.2", "LINQ's Where returns…",
                {"a List<T>", "an IEnumerable<T> evaluated lazily", "an array", "a single element"},
                "b"),
              q("csharp.2.3", "Which modifier allows a method to be overridden?",
                {"virtual", "new", "sealed", "extern"}, "a"),
              q("csharp.2.4", "A `record` type compares by…",
                {"reference", "value", "hash only", "name"}, "b"),
              q("csharp.2.5", "What does `?.` do?",
                {"casts", "null-conditional member access", "throws on null",
                 "declares a nullable"},
                "b")}),
         level(3,
               {q("csharp.3.1", "Span<T> may not be stored in…",
                  {"a local", "a parameter", "a field of a class", "a ref struct"}, "c"),
                q("csharp.3.2", "ConfigureAwait(false) means…",
                  {"do not resume on the captured context", "run synchronously",
                   "disable exceptions", "await twice"},
                  "a"),
                q("csharp.3.3", "Which GC generation holds long-lived objects?",
                  {"gen 0", "gen 1", "gen 2", "LOH only"}, "c"),
                q("csharp.3.4", "An expression tree is of type…",
                  {"Func<T>", "Expression<TDelegate>", "Delegate", "Action"}, "b"),
                q("csharp.3.5", "`in` on a parameter passes it…",
                  {"by value", "by read-only reference", "as out", "boxed"}, "b")})}});

    all.append(Skill {
        u"Python"_s,
        {level(1,
               {q("python.1.1", "Which type is immutable?", {"list", "dict", "tuple", "set"}, "c"),
                q("python.1.2", "What does len(\"abc\") return?", {"2", "3", "4", "an error"}, "b"),
                q("python.1.3", "Which keyword defines a function?",
                  {"func", "def", "lambda only", "fn"}, "b"),
                q("python.1.4", "What is 7 // 2?", {"3.5", "3", "4", "1"}, "b"),
                q("python.1.5", "Which statement handles exceptions?",
                  {"try/except", "catch", "rescue", "on error"}, "a")}),
         level(2,
               {q("python.2.1", "A generator function uses…",
                  {"return only", "yield", "async", "lambda"}, "b"),
                q("python.2.2", "What does `with open(f) as h:` guarantee?",
                  {"the file is closed", "the file exists", "text mode", "buffering off"}, "a"),
                q("python.2.3", "Dictionaries keep insertion order since…",
                  {"Python 2.7", "Python 3.7", "never", "Python 3.0"}, "b"),
                q("python.2.4", "Which builtin pairs items of two lists?",
                  {"map", "zip", "enumerate", "pair"}, "b"),
                q("python.2.5", "A default argument `def f(x=[])` is evaluated…",
                  {"on every call", "once, at definition", "lazily", "never"}, "b")}),
         level(3,
               {q("python.3.1", "The GIL prevents…",
                  {"multiple processes", "parallel bytecode execution in threads", "async code",
                   "C extensions"},
                  "b"),
                q("python.3.2", "__slots__ mainly saves…",
                  {"CPU", "memory per instance", "import time", "disk"}, "b"),
                q("python.3.3", "A descriptor implements…",
                  {"__get__/__set__", "__iter__", "__call__", "__enter__"}, "a"),
                q("python.3.4", "The MRO of a class is computed with…",
                  {"DFS", "C3 linearisation", "BFS", "alphabetical order"}, "b"),
                q("python.3.5", "asyncio.gather runs awaitables…",
                  {"sequentially", "concurrently", "in processes", "in threads"}, "b")})}});

    all.append(Skill {
        u"SQL"_s,
        {level(1,
               {q("sql.1.1", "Which clause filters rows?",
                  {"ORDER BY", "WHERE", "GROUP BY", "FROM"}, "b"),
                q("sql.1.2", "Which statement adds rows?", {"ADD", "INSERT", "UPDATE", "APPEND"},
                  "b"),
                q("sql.1.3", "COUNT(*) counts…", {"non-null values", "rows", "columns", "tables"},
                  "b"),
                q("sql.1.4", "Which join keeps all rows of the left table?",
                  {"INNER JOIN", "LEFT JOIN", "CROSS JOIN", "SELF JOIN"}, "b"),
                q("sql.1.5", "Which keyword removes duplicate rows from a result?",
                  {"UNIQUE", "DISTINCT", "SINGLE", "ONLY"}, "b")}),
         level(2,
               {q("sql.2.1", "HAVING filters…",
                  {"rows before grouping", "groups", "joins", "indexes"}, "b"),
                q("sql.2.2", "What protects a query against SQL injection?",
                  {"escaping quotes by hand", "bound parameters", "upper-case keywords", "LIMIT"},
                  "b"),
                q("sql.2.3", "NULL = NULL evaluates to…", {"true", "false", "unknown", "an error"},
                  "c"),
                q("sql.2.4", "A primary key implies…",
                  {"unique and not null", "an index on every column", "a foreign key",
                   "sorted storage always"},
                  "a"),
                q("sql.2.5", "Which statement undoes an open transaction?",
                  {"REVERT", "ROLLBACK", "UNDO", "ABORT ALL"}, "b")}),
         level(3,
               {q("sql.3.1", "A window function is introduced by…",
                  {"OVER", "WINDOW only", "PARTITION", "WITHIN"}, "a"),
                q("sql.3.2", "Which isolation level prevents phantom reads?",
                  {"READ UNCOMMITTED", "READ COMMITTED", "REPEATABLE READ", "SERIALIZABLE"}, "d"),
                q("sql.3.3", "A covering index…",
                  {"holds every column the query needs", "covers all tables", "is always clustered",
                   "prevents writes"},
                  "a"),
                q("sql.3.4", "A recursive CTE starts with…",
                  {"WITH RECURSIVE", "LOOP", "CONNECT", "REPEAT"}, "a"),
                q("sql.3.5", "An anti-join is commonly written with…",
                  {"NOT EXISTS", "UNION", "INTERSECT", "GROUP BY"}, "a")})}});

    return all;
}

} // namespace

const QList<Skill> &skills()
{
    static const QList<Skill> all = build();
    return all;
}

const Skill *findSkill(const QString &name)
{
    for (const Skill &s : skills()) {
        if (s.name == name)
            return &s;
    }
    return nullptr;
}

const Level *findLevel(const Skill &skill, int level)
{
    for (const Level &l : skill.levels) {
        if (l.level == level)
            return &l;
    }
    return nullptr;
}

const Question *findQuestion(const Level &level, const QString &id)
{
    for (const Question &question : level.questions) {
        if (question.id == id)
            return &question;
    }
    return nullptr;
}

} // namespace ExamBank
