#ifndef QRT_PLATFORM_COMERROR_H
#define QRT_PLATFORM_COMERROR_H

#include "qrt_export.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>

// The one exception type of the component layer (database component, XML
// document): an HRESULT-style 32-bit code that tells the caller what to do
// next, and a description that keeps the engine's or parser's own words.
//
// The codes below are the ones the library raises. Windows headers define the
// same names as macros with the same values; where both are visible the
// platform's macros win and nothing changes.

using HRESULT_T = std::uint32_t;

#ifndef E_POINTER
inline constexpr HRESULT_T E_POINTER = 0x80004003u; // a required object is missing
#endif
#ifndef E_FAIL
inline constexpr HRESULT_T E_FAIL = 0x80004005u; // unspecified failure, e.g. no connection
#endif
#ifndef E_OUTOFMEMORY
inline constexpr HRESULT_T E_OUTOFMEMORY = 0x8007000Eu;
#endif
#ifndef E_INVALIDARG
inline constexpr HRESULT_T E_INVALIDARG = 0x80070057u;
#endif
#ifndef DB_SEC_E_PERMISSIONDENIED
// The library refused a statement before the engine saw it (a second statement).
inline constexpr HRESULT_T DB_SEC_E_PERMISSIONDENIED = 0x80040E09u;
#endif
#ifndef DB_SEC_E_AUTH_FAILED
// The server refused the login: wrong user or password.
inline constexpr HRESULT_T DB_SEC_E_AUTH_FAILED = 0x80040E4Du;
#endif
#ifndef SEC_E_UNTRUSTED_ROOT
// The server's certificate was refused: not signed by the expected authority,
// made for another host name, or the authority's file is missing.
inline constexpr HRESULT_T SEC_E_UNTRUSTED_ROOT = 0x80090325u;
#endif
#ifndef SEC_E_UNSUPPORTED_FUNCTION
// An encrypted connection was required, and the server offers none.
inline constexpr HRESULT_T SEC_E_UNSUPPORTED_FUNCTION = 0x80090302u;
#endif
#ifndef DB_E_ERRORSINCOMMAND
inline constexpr HRESULT_T DB_E_ERRORSINCOMMAND = 0x80040E14u; // the engine rejected a statement
#endif
#ifndef DB_E_CANTCONVERTVALUE
inline constexpr HRESULT_T DB_E_CANTCONVERTVALUE = 0x80040E07u; // a value does not fit the column
#endif
#ifndef DB_E_DELETEDROW
inline constexpr HRESULT_T DB_E_DELETEDROW = 0x80040E23u; // the current row no longer exists
#endif
#ifndef DB_E_INTEGRITYVIOLATION
inline constexpr HRESULT_T DB_E_INTEGRITYVIOLATION = 0x80040E2Fu; // key or constraint violated
#endif
#ifndef DB_E_NOTABLE
inline constexpr HRESULT_T DB_E_NOTABLE = 0x80040E37u; // the table does not exist
#endif
#ifndef DB_E_CONCURRENCYVIOLATION
inline constexpr HRESULT_T DB_E_CONCURRENCYVIOLATION = 0x80040E38u; // another user changed the row
#endif
// The connection to the server broke (HRESULT of ERROR_CONNECTION_ABORTED): the
// statement did not run, and the next one connects anew.
inline constexpr HRESULT_T E_CONNECTION_ABORTED = 0x800704D4u;
// ADO's own errors (facility 0x0A); the numbers are ADO's ErrorValueEnum.
inline constexpr HRESULT_T ADO_E_ITEMNOTFOUND = 0x800A0CC1u;    // no field or table of that name
inline constexpr HRESULT_T ADO_E_NOCURRENTRECORD = 0x800A0BCDu; // BOF or EOF
inline constexpr HRESULT_T ADO_E_FEATURENOTAVAILABLE =
    0x800A0CB3u;                                                 // e.g. writing a read-only result
inline constexpr HRESULT_T ADO_E_OBJECTCLOSED = 0x800A0E78u;     // the object is not open
inline constexpr HRESULT_T ADO_E_ILLEGALOPERATION = 0x800A0C93u; // not allowed in this state

// What an engine refused when it refused a value or a row by one of its
// rules, told in parts, so that the layers above can say it in the user's
// words and name the fields concerned. Empty (rule None) for every other error.
struct EngineRefusal
{
    enum class Rule {
        None,
        Unique,          // another row already holds the value(s)
        MissingParent,   // a foreign key names a row that does not exist
        StillReferenced, // rows of another table still refer to the row
        NotNull,         // a column that must hold a value got none
        Check,           // a check of the table or of a domain refused the value
        Exclusion,       // an exclusion constraint: the row overlaps another
        OutOfRange,      // a number beyond what the column's type holds
        InvalidText,     // a text the column's type cannot read (enum, array, uuid, ...)
    };
    Rule rule = Rule::None;
    QString sqlState;          // the engine's code where it has one ("23505"), else empty
    QString table;             // the table whose rule it is
    QStringList columns;       // the columns concerned, as the catalog names them
    QString constraint;        // the rule's name, where it has one
    QString otherTable;        // MissingParent: the table lacking the row;
                               // StillReferenced: the table whose rows refer
    QString typeName;          // OutOfRange, InvalidText: the column's type
    QStringList allowedValues; // InvalidText of an enum: its labels, in order

    bool isEmpty() const { return rule == Rule::None; }
};

class QRT_EXPORT ComError : public std::exception
{
public:
    explicit ComError(HRESULT_T code, QString description = QString());

    HRESULT_T code() const noexcept { return m_code; }
    const QString &description() const noexcept { return m_description; }

    // The rule the engine refused by, where it told one; empty otherwise.
    const EngineRefusal &refusal() const noexcept { return m_refusal; }
    ComError &withRefusal(EngineRefusal refusal)
    {
        m_refusal = std::move(refusal);
        return *this;
    }

    // The message text of the code (see systemText()).
    QString systemText() const { return ComError::systemText(m_code); }

    // The library's message text for a code it raises. For other codes from
    // 0x80040201 to 0x8004FFFF: "IDispatch error #n" with n = code - 0x80040200;
    // for anything else: "Unknown error 0x…" with the code in upper-case hex.
    static QString systemText(HRESULT_T code);

    // The one way an error is put before the user: the system text, a blank
    // line, and the description ("Ungültiger Zeiger\r\n\r\n…"). Messages
    // that add a hint of their own start from the same two parts.
    [[nodiscard]] QString message() const;

    const char *what() const noexcept override;

private:
    HRESULT_T m_code;
    QString m_description;
    EngineRefusal m_refusal;
    QByteArray m_what; // UTF-8 of "system text: description", for what()
};

#endif // QRT_PLATFORM_COMERROR_H
