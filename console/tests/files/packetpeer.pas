{ A second reader and writer of XML data packets: Free Pascal's TBufDataset.
  "packetpeer read FILE" loads FILE and prints its fields and rows;
  "packetpeer write FILE" writes a template file of two rows. }
program packetpeer;

{$mode objfpc}{$H+}{$codepage utf8}

uses
  cwstring, Classes, SysUtils, DB, BufDataset, XMLDatapacketReader;

function HexOf(const Bytes: RawByteString): string;
var
  i: integer;
begin
  Result := '';
  for i := 1 to Length(Bytes) do
    Result := Result + IntToHex(Ord(Bytes[i]), 2);
end;

procedure ReadPacket(const FileName: string);
var
  ds: TBufDataset;
  i: integer;
  f: TField;
begin
  ds := TBufDataset.Create(nil);
  try
    ds.LoadFromFile(FileName, dfXML);
    for i := 0 to ds.FieldDefs.Count - 1 do
      writeln('FIELD ', ds.FieldDefs[i].Name, ' ', FieldTypeNames[ds.FieldDefs[i].DataType],
        ' ', ds.FieldDefs[i].Size);
    writeln('ROWS ', ds.RecordCount);
    ds.First;
    while not ds.EOF do
    begin
      writeln('ROW');
      for i := 0 to ds.Fields.Count - 1 do
      begin
        f := ds.Fields[i];
        if f.IsNull then
          writeln(f.FieldName, ' NULL')
        else if f.DataType in [ftBlob, ftBytes, ftVarBytes] then
          writeln(f.FieldName, ' HEX ', HexOf(f.AsString))
        else
          writeln(f.FieldName, ' = ', f.AsString);
      end;
      ds.Next;
    end;
  finally
    ds.Free;
  end;
end;

procedure WritePacket(const FileName: string);
var
  ds: TBufDataset;
begin
  ds := TBufDataset.Create(nil);
  try
    ds.FieldDefs.Add('cdfFingerNo', ftInteger);
    ds.FieldDefs.Add('cdfHolderNo', ftString, 20);
    ds.FieldDefs.Add('cdfTemplate', ftString, 800);
    ds.FieldDefs.Add('cdfPositionNo', ftInteger);
    ds.FieldDefs.Add('cdfFingerPicture', ftBlob);
    ds.FieldDefs.Add('cdfNote', ftString, 30);
    ds.CreateDataset;
    ds.Append;
    ds.FieldByName('cdfFingerNo').AsInteger := 12;
    ds.FieldByName('cdfHolderNo').AsString := 'P1';
    ds.FieldByName('cdfTemplate').AsString := 'ABCDEF0123';
    ds.FieldByName('cdfPositionNo').AsInteger := 4;
    ds.FieldByName('cdfFingerPicture').AsString := #255#216#0#1#2#255#217;
    ds.FieldByName('cdfNote').AsString := '陳 & <Zoë>';
    ds.Post;
    ds.Append;
    ds.FieldByName('cdfFingerNo').AsInteger := 12;
    ds.FieldByName('cdfHolderNo').AsString := 'P2';
    ds.FieldByName('cdfTemplate').AsString := '00FF';
    ds.FieldByName('cdfPositionNo').AsInteger := 10;
    ds.Post;
    ds.SaveToFile(FileName, dfXML);
  finally
    ds.Free;
  end;
end;

begin
  DefaultSystemCodePage := CP_UTF8;
  SetMultiByteConversionCodePage(CP_UTF8);
  SetTextCodePage(Output, CP_UTF8);
  if (ParamCount = 2) and (ParamStr(1) = 'read') then
    ReadPacket(ParamStr(2))
  else if (ParamCount = 2) and (ParamStr(1) = 'write') then
    WritePacket(ParamStr(2))
  else
  begin
    writeln(StdErr, 'usage: packetpeer read|write FILE');
    Halt(2);
  end;
end.
