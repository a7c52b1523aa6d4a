-- The demo without a display: a query of the sample database saved as text.
#Erase;
#Print 社員と部署（サンプルデータベース）;
#SQLResultEchoOff;
SELECT s.番号, s.氏名, b.部署名, s.給与
  FROM 社員 s LEFT JOIN 部署 b ON b.部署番号 = s.部署番号
 ORDER BY s.番号;
#SaveToFile ./demo-result.txt;
#Exit;
