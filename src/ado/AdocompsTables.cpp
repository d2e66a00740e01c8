#include "ado/AdocompsTables.h"

TdADOTable::TdADOTable()
{
    SetCommandType(ad_CmdTable);
    Command().SetPropertyName("TableName");
}

void TdADOTable::SetTableName(std::string_view name)
{
    if (name == tableName_)
        return;
    SetCommandText(name);
    tableName_ = name;
}

TdADOQuery::TdADOQuery() { Command().SetPropertyName("SQL"); }

// The command text takes the lines first, so that an open query refuses them unchanged.
void TdADOQuery::TakeLines(TStringList lines)
{
    SetCommandText(lines.Text());
    sql_ = std::move(lines);
}

void TdADOQuery::SetSQL(const TStringList& lines) { TakeLines(lines); }

void TdADOQuery::SetSQLText(std::string_view text)
{
    TStringList lines;
    lines.SetText(text);
    TakeLines(std::move(lines));
}

void TdADOQuery::AddSQL(std::string_view line)
{
    TStringList lines = sql_;
    lines.Add(line);
    TakeLines(std::move(lines));
}

void TdADOQuery::ClearSQL() { TakeLines({}); }

int TdADOQuery::ExecSQL()
{
    Command().Execute(rowsAffected_, Variant());
    return rowsAffected_;
}

TdADOStoredProc::TdADOStoredProc()
{
    SetCommandType(ad_CmdStoredProc);
    Command().SetPropertyName("ProcedureName");
}

void TdADOStoredProc::ExecProc() { Command().Execute(Variant()); }
