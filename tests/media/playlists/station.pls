[playlist]
NumberOfEntries=3
File2=http://second.example/live
Title2=Second
file1 = http://first.example/live 
File10=http://tenth.example/live?a=1,2&b="q"
Length1=-1
Version=2
